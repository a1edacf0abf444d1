#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QRadioButton>

#include <type_traits>

// A button that shows and drives a checkable action, keeping its text when the action is translated.
// It is named "btn" and the action's name without "act". A radio button stays checked when clicked
// again, as a choice does.
template <typename TButton> TButton* BoundButton(QAction* action, QWidget* parent) {
    auto* button = new TButton(action->text(), parent);
    button->setObjectName(QStringLiteral("btn") + action->objectName().mid(3));
    QObject::connect(button, &QAbstractButton::clicked, action, [action, button](bool checked) {
        if constexpr (std::is_same_v<TButton, QRadioButton>)
            checked = true;
        button->setChecked(checked);
        action->setChecked(checked);
    });
    QObject::connect(action, &QAction::toggled, button, &QAbstractButton::setChecked);
    QObject::connect(action, &QAction::changed, button, [action, button] {
        button->setText(action->text());
        button->setEnabled(action->isEnabled());
    });
    return button;
}
