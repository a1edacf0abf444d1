#include "LangChanger.h"
#include "TScriptedConnectAsPrompt.h"
#include "TScriptedEntryDialogs.h"
#include "TScriptedFileDialogs.h"
#include "TScriptedPrompts.h"
#include "uComputerList.h"
#include "uDlgAbout.h"
#include "uDlgAlternateCredentials.h"
#include "uDlgCommandListEdit.h"
#include "uDlgCommandListManage.h"
#include "uDlgGetUserNameAndPassword.h"
#include "uDlgManual.h"
#include "uDlgSelectComputer.h"
#include "uMain.h"
#include "uProgramOptions.h"
#include "uToolDialogs.h"
#include "uTranslateForm.h"
#include "udlgAddressComputerAndDescriptionEdit.h"
#include "udlgAddressGroupEdit.h"
#include "udlgDetectLocalIPAddress.h"
#include "udlgOptions.h"
#include "udlgShutdownComputer.h"
#include "udlgWizardComputerList.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// The tool dialogs' own dialogs are not opened here: each form is built on its own.
struct TClosedToolDialogs : IToolDialogs {
    bool ExecuteCommandListEditDialog(TCommandListItem&) override { return false; }
    bool ManageCommandList(TCommandList&) override { return false; }
    bool ExecuteShutdownDialog(const QString&, const QString&, const QString&, int) override { return false; }
};

// What the forms need to be built without a display or a network.
struct TFormServices {
    TProgramOptions Options;
    TScriptedPrompts ListPrompts;
    TScriptedEntryDialogs ListDialogs;
    TComputerList List{Options, ListPrompts, ListDialogs};
    TClosedToolDialogs ToolDialogs;
    TScriptedPrompts Prompts;
    TScriptedEntryDialogs Dialogs;
    TScriptedConnectAsPrompt ConnectAs;
    TScriptedFileDialogs FileDialogs;
};

struct TShippedForm {
    const char* Name;
    std::function<std::unique_ptr<QWidget>(TFormServices&)> Create;
    // Key paths ("lblVersion", "Caption" for the title) whose texts are data, not words to translate.
    QStringList DataTexts;
};

// Every form of the program, made as the program makes it. A new form is one line here.
const QList<TShippedForm>& ShippedForms() {
    static const QList<TShippedForm> forms = {
        {"DormivaForm",
         [](TFormServices& s) {
             return std::make_unique<TDormivaForm>(s.Options, s.Prompts, s.Dialogs, s.ConnectAs, s.FileDialogs);
         },
         {QStringLiteral("Caption")}}, // product name and version
        {"dlgOptions", [](TFormServices& s) { return std::make_unique<TdlgOptions>(s.Prompts); }, {}},
        {"dlgAddressGroupEdit", [](TFormServices&) { return std::make_unique<TdlgAddressGroupEdit>(nullptr); }, {}},
        {"dlgAddressComputerAndDescriptionEdit",
         [](TFormServices& s) {
             return std::make_unique<TdlgAddressComputerAndDescriptionEdit>(nullptr, s.Prompts, nullptr);
         },
         {}},
        {"DlgAlternateCredentials",
         [](TFormServices& s) { return std::make_unique<TDlgAlternateCredentials>(nullptr, s.Prompts); },
         {}},
        {"DlgGetUserNameAndPassword",
         [](TFormServices& s) { return std::make_unique<TDlgGetUserNameAndPassword>(nullptr, s.Prompts); },
         {}},
        {"dlgSelectComputer",
         [](TFormServices&) { return std::make_unique<TdlgSelectComputer>(nullptr, nullptr); },
         {}},
        {"dlgDetectLocalIPRange", [](TFormServices&) { return std::make_unique<TdlgDetectLocalIPRange>(nullptr); }, {}},
        {"AboutBox",
         [](TFormServices&) {
             return std::make_unique<TAboutBox>(nullptr, TFixedFileInfo{}, QDateTime::currentDateTime(),
                                                QUrl(QStringLiteral("https://www.example.org/")));
         },
         {QStringLiteral("lblName"), QStringLiteral("lblVersion"), QStringLiteral("lblHomePage")}},
        {"dlgManual",
         [](TFormServices&) { return std::make_unique<TDlgManual>(nullptr); },
         {QStringLiteral("txtManual")}},
        {"DlgCommandListManage",
         [](TFormServices& s) {
             return std::make_unique<TDlgCommandListManage>(nullptr, TCommandList(QStringLiteral("Nettools")),
                                                            s.ToolDialogs, s.Prompts);
         },
         {}},
        {"DlgCommandListEdit",
         [](TFormServices& s) { return std::make_unique<TDlgCommandListEdit>(nullptr, s.FileDialogs); },
         {}},
        {"dlgWizardComputerList",
         [](TFormServices& s) {
             return std::make_unique<TdlgWizardComputerList>(nullptr, s.List, s.Options, s.Prompts, s.FileDialogs);
         },
         {QStringLiteral("sbSelectImportFromFile")}}, // "..."
        {"dlgShutdownComputer",
         [](TFormServices& s) {
             return std::make_unique<TdlgShutdownComputer>(nullptr, s.Prompts, QStringLiteral("pc1"), QString(),
                                                           QString(), TRemoteSettings{});
         },
         {}},
    };
    return forms;
}

// Every value of a copied language file starts with this, so a text shown without it has no key there.
const QString Marker = QStringLiteral("\u00bb");

QStringList ShippedLanguageFiles() {
    const QDir folder(QStringLiteral(DORMIVA_SOURCE_DIR "/data/languages"));
    QStringList files;
    for (const QString& name : folder.entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name))
        files.append(folder.filePath(name));
    return files;
}

TLangFile ReadLanguage(const QString& path) {
    return TLangFile::ReadSection(path, QStringLiteral("Translations"));
}

// The texts a user reads on the form, by key path ("lblName.Caption"), of every named component.
QList<std::pair<QString, QString>> FormTexts(QWidget* form) {
    QList<std::pair<QString, QString>> texts{{QStringLiteral("Caption"), form->windowTitle()}};
    const auto add = [&texts](const QObject* component, const char* property, const QString& text) {
        texts.append({component->objectName() + u'.' + QLatin1String(property), text});
    };
    for (const QObject* child : form->findChildren<QObject*>()) {
        if (child->objectName().isEmpty() || child->objectName().startsWith(u"qt_"))
            continue;
        if (const auto* action = qobject_cast<const QAction*>(child); action && !action->isSeparator())
            add(child, "Caption", action->text());
        else if (const auto* label = qobject_cast<const QLabel*>(child))
            add(child, "Caption", label->text());
        else if (const auto* button = qobject_cast<const QAbstractButton*>(child))
            add(child, "Caption", button->text());
        else if (const auto* group = qobject_cast<const QGroupBox*>(child))
            add(child, "Caption", group->title());
        else if (const auto* menu = qobject_cast<const QMenu*>(child))
            add(child, "Caption", menu->title());
        else if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(child))
            add(child, "specialValueText", spin->specialValueText());
        if (const auto* pages = qobject_cast<const QTabWidget*>(child)) {
            for (int i = 0; i < pages->count(); ++i)
                if (!pages->widget(i)->objectName().isEmpty())
                    add(pages->widget(i), "Caption", pages->tabText(i));
        }
    }
    return texts;
}

// The message keys the program looks up: the message table, the keys its sources name and the
// messages of the English file.
QStringList MessageKeys() {
    QStringList keys = MessageTableKeys();
    static const QRegularExpression literal(QStringLiteral("\"(s[A-Z][A-Za-z0-9_]*)\""));
    QDirIterator sources(QStringLiteral(DORMIVA_SOURCE_DIR "/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                         QDir::Files, QDirIterator::Subdirectories);
    while (sources.hasNext()) {
        QFile file(sources.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch& match : literal.globalMatch(text))
            keys.append(match.captured(1));
    }
    const TLangFile english = ReadLanguage(QStringLiteral(DORMIVA_SOURCE_DIR "/data/languages/english.lng"));
    for (const TLangFile::TEntry& entry : english.Entries())
        if (!entry.Key.contains(u'.'))
            keys.append(entry.Key);
    keys.removeDuplicates();
    return keys;
}

QStringList Placeholders(const QString& format) {
    static const QRegularExpression placeholder(QStringLiteral("%(\\d+:)?-?\\d*(\\.\\d+)?[sdux%]"));
    QStringList found;
    for (const QRegularExpressionMatch& match : placeholder.globalMatch(format))
        found.append(match.captured());
    return found;
}

} // namespace

// The shipped language files against the program: every text a form shows and every message the
// program looks up has a key in every file, and a translated message takes the English arguments.
class TestLanguageFiles : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void everyFormTextHasAKey_data();
    void everyFormTextHasAKey();
    void everyMessageKeyInEveryFile_data();
    void everyMessageKeyInEveryFile();

private:
    QTemporaryDir m_dir;
};

void TestLanguageFiles::initTestCase() {
    QVERIFY(m_dir.isValid());
    QVERIFY(ShippedLanguageFiles().size() >= 2);
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestLanguageFiles::cleanup() {
    SetCurrentLangChanger(nullptr);
    LoadMessageTable();
}

void TestLanguageFiles::everyFormTextHasAKey_data() {
    QTest::addColumn<QString>("languageFile");
    QTest::addColumn<int>("form");
    for (const QString& file : ShippedLanguageFiles())
        for (int i = 0; i < ShippedForms().size(); ++i)
            QTest::addRow("%s %s", qPrintable(QFileInfo(file).fileName()), ShippedForms()[i].Name) << file << i;
}

void TestLanguageFiles::everyFormTextHasAKey() {
    QFETCH(QString, languageFile);
    QFETCH(int, form);
    QFile source(languageFile);
    QVERIFY(source.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromUtf8(source.readAll()).split(QStringLiteral("\r\n"));
    for (QString& line : lines)
        if (const qsizetype equals = line.indexOf(u'='); equals > 0)
            line.insert(equals + 1, Marker);
    const QString marked = m_dir.filePath(QFileInfo(languageFile).fileName());
    QFile copy(marked);
    QVERIFY(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
    copy.write(lines.join(QStringLiteral("\r\n")).toUtf8());
    copy.close();
    auto changer = std::make_shared<TLangChanger>();
    changer->SetLangFile(marked);
    SetCurrentLangChanger(changer);
    LoadMessageTable();

    const TShippedForm& shipped = ShippedForms()[form];
    TFormServices services;
    services.Options.SettingsFolder = m_dir.path() + u'/';
    services.Options.DefaultCheckState = -1; // no probes from the main window's first pass
    const std::unique_ptr<QWidget> widget = shipped.Create(services);
    QCOMPARE(widget->objectName(), QLatin1String(shipped.Name));
    TranslateForm(*changer, widget.get());

    QStringList unkeyed;
    for (const auto& [path, text] : FormTexts(widget.get())) {
        const bool data = std::any_of(shipped.DataTexts.begin(), shipped.DataTexts.end(), [&](const QString& entry) {
            return path == entry || path.startsWith(entry + u'.');
        });
        if (!text.isEmpty() && !data && !text.startsWith(Marker))
            unkeyed.append(QStringLiteral("%1.%2 (\"%3\")").arg(QLatin1String(shipped.Name), path, text));
    }
    QVERIFY2(unkeyed.isEmpty(),
             qPrintable(QStringLiteral("texts without a key: ") + unkeyed.join(QStringLiteral(", "))));
}

void TestLanguageFiles::everyMessageKeyInEveryFile_data() {
    QTest::addColumn<QString>("languageFile");
    for (const QString& file : ShippedLanguageFiles())
        QTest::newRow(qPrintable(QFileInfo(file).fileName())) << file;
}

void TestLanguageFiles::everyMessageKeyInEveryFile() {
    QFETCH(QString, languageFile);
    const TLangFile language = ReadLanguage(languageFile);
    const TLangFile english = ReadLanguage(QStringLiteral(DORMIVA_SOURCE_DIR "/data/languages/english.lng"));
    QStringList missing;
    QStringList otherArguments;
    for (const QString& key : MessageKeys()) {
        if (!language.Contains(key))
            missing.append(key);
        else if (english.Contains(key) && Placeholders(language.Value(key, {})) != Placeholders(english.Value(key, {})))
            otherArguments.append(key);
    }
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("missing: ") + missing.join(QStringLiteral(", "))));
    QVERIFY2(otherArguments.isEmpty(), qPrintable(QStringLiteral("placeholders differ from English: ") +
                                                  otherArguments.join(QStringLiteral(", "))));
}

QTEST_MAIN(TestLanguageFiles)
#include "TestLanguageFiles.moc"
