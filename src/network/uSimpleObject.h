#pragma once

#include <QString>

#include <memory>
#include <vector>

class TSimpleGroup;

// One object a search found: a group or a computer. The search owns it; the consumer may store its own
// reference to the object's node in Node while the search lives.
class TSimpleObject {
public:
    // Appends the new object to the parent's children when a parent is given.
    TSimpleObject(const QString& name, const QString& description, TSimpleGroup* parent);
    virtual ~TSimpleObject() = default;
    TSimpleObject(const TSimpleObject&) = delete;
    TSimpleObject& operator=(const TSimpleObject&) = delete;

    virtual bool IsGroup() const = 0;

    QString Name;
    QString Description;
    TSimpleGroup* Parent;
    void* Node = nullptr;
};

class TSimpleGroup : public TSimpleObject {
public:
    using TSimpleObject::TSimpleObject;
    bool IsGroup() const override { return true; }

    std::vector<std::unique_ptr<TSimpleObject>> Children;
};

class TSimpleComputer : public TSimpleObject {
public:
    using TSimpleObject::TSimpleObject;
    bool IsGroup() const override { return false; }
};
