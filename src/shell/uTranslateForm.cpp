#include "uTranslateForm.h"

#include "LangChanger.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBox>
#include <QWizardPage>

#include <memory>

namespace {

bool SameName(QStringView a, QStringView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString ClassName(const QObject* object) {
    const QString name = QString::fromLatin1(object->metaObject()->className());
    const qsizetype colon = name.lastIndexOf(u':');
    return colon < 0 ? name : name.mid(colon + 1);
}

// The tab text of a page of a tab widget or tool box; false when the widget is no such page.
bool SetPageCaption(QWidget* page, const QString& value) {
    QWidget* ancestor = page->parentWidget();
    for (int level = 0; ancestor && level < 3; ++level, ancestor = ancestor->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(ancestor); tabs && tabs->indexOf(page) >= 0) {
            tabs->setTabText(tabs->indexOf(page), value);
            return true;
        }
        if (auto* box = qobject_cast<QToolBox*>(ancestor); box && box->indexOf(page) >= 0) {
            box->setItemText(box->indexOf(page), value);
            return true;
        }
    }
    return false;
}

void SetCaption(QObject* object, const QString& value) {
    if (auto* action = qobject_cast<QAction*>(object))
        action->setText(value);
    else if (auto* label = qobject_cast<QLabel*>(object))
        label->setText(value);
    else if (auto* button = qobject_cast<QAbstractButton*>(object))
        button->setText(value);
    else if (auto* group = qobject_cast<QGroupBox*>(object))
        group->setTitle(value);
    else if (auto* menu = qobject_cast<QMenu*>(object))
        menu->setTitle(value);
    else if (auto* wizardPage = qobject_cast<QWizardPage*>(object))
        wizardPage->setTitle(value);
    else if (auto* widget = qobject_cast<QWidget*>(object); widget && !SetPageCaption(widget, value))
        widget->setWindowTitle(value);
}

void SetItems(QObject* object, const QStringList& items) {
    if (auto* combo = qobject_cast<QComboBox*>(object)) {
        const int current = combo->currentIndex();
        combo->clear();
        combo->addItems(items);
        combo->setCurrentIndex(qMin(current, combo->count() - 1));
    } else if (auto* list = qobject_cast<QListWidget*>(object)) {
        list->clear();
        list->addItems(items);
    } else {
        // a radio group: the texts of its buttons in order
        const QList<QRadioButton*> buttons = object->findChildren<QRadioButton*>();
        for (qsizetype i = 0; i < qMin(buttons.size(), items.size()); ++i)
            buttons[i]->setText(items[i]);
    }
}

QMetaProperty FindProperty(const QObject* object, QStringView name) {
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        if (SameName(QString::fromLatin1(meta->property(i).name()), name))
            return meta->property(i);
    }
    return {};
}

// A Qt property of one of the kinds a language file can carry; others are left alone.
void SetQtProperty(QObject* object, const QMetaProperty& property, const QString& value, const TLangChanger& changer) {
    bool ok = false;
    switch (property.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort: {
        const qlonglong number = value.trimmed().toLongLong(&ok);
        if (ok)
            property.write(object, number);
        break;
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        // both decimal separators are accepted, whatever the locale
        const double number = QString(value).replace(u',', u'.').trimmed().toDouble(&ok);
        if (ok)
            property.write(object, number);
        break;
    }
    case QMetaType::QString:
        property.write(object, value);
        break;
    case QMetaType::QStringList:
        property.write(object, changer.SplitList(value));
        break;
    default:
        break;
    }
}

void SetProperty(QObject* object, const QString& name, const QString& value, const TLangChanger& changer) {
    if (SameName(name, u"Caption"))
        SetCaption(object, value);
    else if (SameName(name, u"Hint") && qobject_cast<QAction*>(object))
        qobject_cast<QAction*>(object)->setToolTip(value);
    else if (SameName(name, u"Hint") && object->isWidgetType())
        static_cast<QWidget*>(object)->setToolTip(value);
    else if (SameName(name, u"Items"))
        SetItems(object, changer.SplitList(value));
    else if (SameName(name, u"Text") && qobject_cast<QPlainTextEdit*>(object))
        qobject_cast<QPlainTextEdit*>(object)->setPlainText(value);
    else if (const QMetaProperty property = FindProperty(object, name); property.isValid() && property.isWritable())
        SetQtProperty(object, property, value, changer);
}

class TFormTranslator {
public:
    TFormTranslator(const TLangChanger& changer, QWidget* form) : m_changer(changer), m_form(form) {
        const QList<QObject*> children = form->findChildren<QObject*>();
        for (QObject* child : children) {
            const QString name = child->objectName().toCaseFolded();
            if (!name.isEmpty() && !m_children.contains(name))
                m_children.insert(name, child); // the first of a name counts
        }
    }

    void SetPath(QString path, const QString& value) {
        QObject* current = m_form;
        if (const qsizetype dot = path.indexOf(u'.'); dot >= 0) {
            if (QObject* child = m_children.value(path.left(dot).toCaseFolded())) {
                current = child;
                path = path.mid(dot + 1);
            }
        }
        for (;;) {
            const qsizetype dot = path.indexOf(u'.');
            if (dot < 0) {
                SetProperty(current, path, value, m_changer);
                return;
            }
            const QMetaProperty property = FindProperty(current, QStringView(path).left(dot));
            if (!property.isValid() || !(property.metaType().flags() & QMetaType::PointerToQObject))
                return;
            current = property.read(current).value<QObject*>();
            if (!current)
                return;
            path = path.mid(dot + 1);
        }
    }

private:
    const TLangChanger& m_changer;
    QWidget* m_form;
    QHash<QString, QObject*> m_children;
};

} // namespace

void TranslateForm(const TLangChanger& changer, QWidget* form) {
    const QList<TLangFile::TEntry> entries = changer.TranslationEntries();
    if (entries.isEmpty())
        return;
    const QList<QWidget*> forms = form ? QList<QWidget*>{form} : QApplication::topLevelWidgets();
    for (QWidget* target : forms) {
        const QString className = ClassName(target);
        std::unique_ptr<TFormTranslator> translator;
        for (const TLangFile::TEntry& entry : entries) {
            const qsizetype dot = entry.Key.indexOf(u'.');
            if (dot < 0 || !SameName(className, QStringLiteral("T") + entry.Key.left(dot)))
                continue;
            if (!translator)
                translator = std::make_unique<TFormTranslator>(changer, target);
            translator->SetPath(entry.Key.mid(dot + 1), entry.Value);
        }
    }
}

void TranslateForm(QWidget* form) {
    if (const auto changer = CurrentLangChanger())
        TranslateForm(*changer, form);
}
