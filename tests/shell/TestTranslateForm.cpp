#include "LangChanger.h"
#include "uTranslateForm.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

// A dialog with one component of every kind the language files translate.
class TdlgSample : public QDialog {
    Q_OBJECT
public:
    TdlgSample() {
        setWindowTitle("Sample");
        auto* layout = new QVBoxLayout(this);
        auto* tabs = new QTabWidget(this);
        tabs->setObjectName("pcPages");
        auto* page = new QWidget;
        page->setObjectName("tsGeneral");
        tabs->addTab(page, "General");
        layout->addWidget(tabs);
        label = new QLabel("Timeout", page);
        label->setObjectName("lblTimeout");
        button = new QPushButton("OK", this);
        button->setObjectName("btnOK");
        combo = new QComboBox(this);
        combo->setObjectName("cmbImportFrom");
        combo->addItems({"one", "two", "three"});
        combo->setCurrentIndex(2);
        group = new QGroupBox("Check state", this);
        group->setObjectName("rgCheck");
        auto* groupLayout = new QVBoxLayout(group);
        for (const char* name : {"First", "Second"})
            groupLayout->addWidget(new QRadioButton(name, group));
        spin = new QSpinBox(this);
        spin->setObjectName("udThreads");
        doubleSpin = new QDoubleSpinBox(this);
        doubleSpin->setObjectName("edRatio");
        action = new QAction("Move up", this);
        action->setObjectName("actMoveUP");
        for (QWidget* widget :
             {static_cast<QWidget*>(button), static_cast<QWidget*>(combo), static_cast<QWidget*>(group),
              static_cast<QWidget*>(spin), static_cast<QWidget*>(doubleSpin)})
            layout->addWidget(widget);
        this->tabs = tabs;
    }
    QTabWidget* tabs;
    QLabel* label;
    QPushButton* button;
    QComboBox* combo;
    QGroupBox* group;
    QSpinBox* spin;
    QDoubleSpinBox* doubleSpin;
    QAction* action;
};

class TdlgOther : public QDialog {
    Q_OBJECT
};

class TestTranslateForm : public QObject {
    Q_OBJECT
private slots:
    void setsTextsOfEveryKind();
    void keysOfOtherFormsAndUnknownNamesAreSkipped();
    void translatesEveryOpenFormWithoutOne();
    void nothingWithoutLanguageFile();

private:
    std::shared_ptr<TLangChanger> Changer(const QByteArray& content);
    QTemporaryDir m_dir;
};

std::shared_ptr<TLangChanger> TestTranslateForm::Changer(const QByteArray& content) {
    static int count = 0;
    const QString path = m_dir.filePath(QString("f%1.lng").arg(++count));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    file.write(content);
    file.close();
    auto changer = std::make_shared<TLangChanger>();
    changer->SetLangFile(path);
    return changer;
}

void TestTranslateForm::setsTextsOfEveryKind() {
    TdlgSample form;
    const auto changer = Changer("[Translations]\r\n"
                                 "DLGSAMPLE.Caption=Einstellungen\r\n"
                                 "dlgSample.tsGeneral.Caption=Allgemein\r\n"
                                 "dlgSample.LBLTIMEOUT.caption=Zeit{ENTER}limit\r\n"
                                 "dlgSample.btnOK.Hint=Speichern\r\n"
                                 "dlgSample.btnOK.Caption=Ja\r\n"
                                 "dlgSample.cmbImportFrom.Items=a, ,b,\r\n"
                                 "dlgSample.rgCheck.Caption=Pruefung\r\n"
                                 "dlgSample.rgCheck.Items=Eins,Zwei,Drei\r\n"
                                 "dlgSample.udThreads.Maximum=42\r\n"
                                 "dlgSample.edRatio.Maximum=2,5\r\n"
                                 "dlgSample.actMoveUP.Hint=Nach oben\r\n"
                                 "dlgSample.actMoveUP.Caption=Hoch\r\n");
    TranslateForm(*changer, &form);
    QCOMPARE(form.windowTitle(), "Einstellungen");
    QCOMPARE(form.tabs->tabText(0), "Allgemein");
    QCOMPARE(form.label->text(), "Zeit\r\nlimit");
    QCOMPARE(form.button->toolTip(), "Speichern");
    QCOMPARE(form.button->text(), "Ja");
    QCOMPARE(form.combo->count(), 3);
    QCOMPARE(form.combo->itemText(0), "a");
    QCOMPARE(form.combo->itemText(1), "");
    QCOMPARE(form.combo->itemText(2), "b");
    QCOMPARE(form.combo->currentIndex(), 2);
    QCOMPARE(form.group->title(), "Pruefung");
    const QList<QRadioButton*> radios = form.group->findChildren<QRadioButton*>();
    QCOMPARE(radios.at(0)->text(), "Eins");
    QCOMPARE(radios.at(1)->text(), "Zwei");
    QCOMPARE(form.spin->maximum(), 42);
    QCOMPARE(form.doubleSpin->maximum(), 2.5);
    QCOMPARE(form.action->toolTip(), "Nach oben");
    QCOMPARE(form.action->text(), "Hoch");
}

void TestTranslateForm::keysOfOtherFormsAndUnknownNamesAreSkipped() {
    TdlgSample form;
    const auto changer = Changer("[Translations]\r\n"
                                 "dlgOther.Caption=Other\r\n"
                                 "Sample.Caption=No T\r\n"
                                 "dlgSample.lblMissing.Caption=nowhere\r\n"
                                 "dlgSample.btnOK.NoSuchProperty=x\r\n"
                                 "dlgSample.udThreads.Maximum=many\r\n"
                                 "dlgSample.btnOK.font.Caption=deep\r\n"
                                 "sError=Fehler\r\n");
    TranslateForm(*changer, &form);
    QCOMPARE(form.windowTitle(), "Sample");
    QCOMPARE(form.button->text(), "OK");
    QCOMPARE(form.spin->maximum(), 99);
}

void TestTranslateForm::translatesEveryOpenFormWithoutOne() {
    TdlgSample sample;
    TdlgOther other;
    SetCurrentLangChanger(Changer("[Translations]\r\ndlgSample.Caption=S\r\ndlgOther.Caption=O\r\n"));
    TranslateForm(nullptr);
    SetCurrentLangChanger(nullptr);
    QCOMPARE(sample.windowTitle(), "S");
    QCOMPARE(other.windowTitle(), "O");
}

void TestTranslateForm::nothingWithoutLanguageFile() {
    TdlgSample form;
    TranslateForm(TLangChanger(), &form);
    TranslateForm(&form); // no process-wide changer
    QCOMPARE(form.windowTitle(), "Sample");
}

QTEST_MAIN(TestTranslateForm)
#include "TestTranslateForm.moc"
