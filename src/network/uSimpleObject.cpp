#include "uSimpleObject.h"

TSimpleObject::TSimpleObject(const QString& name, const QString& description, TSimpleGroup* parent)
    : Name(name), Description(description), Parent(parent) {
    if (parent)
        parent->Children.emplace_back(this);
}
