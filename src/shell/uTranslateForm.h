#pragma once

class QWidget;
class TLangChanger;

// Sets the form keys of the language file into a form, or into every top-level window when
// form is null. A key "dlgOptions.tsGeneral.Caption" applies to the form class TdlgOptions
// (compared without regard to case), names a child object and one of its properties.
// The form properties of the files map onto Qt: Caption is a window title, the text of a
// label, button or action, the title of a group box or menu, or the tab text of a page; Hint
// is the tool tip; Items are the entries of a combo box or list or the texts of the radio
// buttons in a group. Other names are Qt properties (integer, floating-point, text, text list).
void TranslateForm(const TLangChanger& changer, QWidget* form);
// TranslateForm with the process-wide changer; nothing without one.
void TranslateForm(QWidget* form);
