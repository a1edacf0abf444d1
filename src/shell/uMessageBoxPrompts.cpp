#include "uMessageBoxPrompts.h"

#include <QMessageBox>

namespace {

QMessageBox::StandardButtons ToButtons(TPromptButtons buttons) {
    switch (buttons) {
    case TPromptButtons::OKCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case TPromptButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case TPromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case TPromptButtons::OK:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon ToIcon(TPromptIcon icon) {
    switch (icon) {
    case TPromptIcon::Warning:
        return QMessageBox::Warning;
    case TPromptIcon::Error:
        return QMessageBox::Critical;
    case TPromptIcon::Question:
        return QMessageBox::Question;
    case TPromptIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

TPromptResult FromButton(int button) {
    switch (button) {
    case QMessageBox::Ok:
        return TPromptResult::OK;
    case QMessageBox::Yes:
        return TPromptResult::Yes;
    case QMessageBox::No:
        return TPromptResult::No;
    default:
        return TPromptResult::Cancel;
    }
}

} // namespace

TPromptResult TMessageBoxPrompts::Ask(const QString& text, const QString& caption, TPromptButtons buttons,
                                      TPromptIcon icon) {
    QMessageBox box(ToIcon(icon), caption, text, ToButtons(buttons), m_parent);
    return FromButton(box.exec());
}
