#include "uDemoRun.h"

#include "LangChanger.h"
#include "uAppLog.h"
#include "uMain.h"

#include <QAction>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

TDemoRun::TDemoRun(TDormivaForm& form) : m_form(form) {
    connect(&form.AppLog(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { Logged(first, last); });
}

void TDemoRun::Start() {
    QTimer::singleShot(0, this, [this] {
        if (!m_form.actExecute->isEnabled()) {
            std::fputs("no computer is checked\n", stderr);
            QCoreApplication::exit(1);
            return;
        }
        m_form.actExecute->trigger();
    });
}

void TDemoRun::Logged(int first, int last) {
    const QString finished = LangStr(QStringLiteral("sJobMsgAllJobFinished"));
    // The log holds the newest entry first: print the inserted rows oldest first.
    for (int row = last; row >= first; --row) {
        const TAppLogItem& item = m_form.AppLog().Item(row);
        // One line per entry: a remote error text may span lines.
        std::printf("%s\t%s\n", qPrintable(TAppLog::LevelText(item.Level)), qPrintable(item.Text.simplified()));
        std::fflush(stdout);
        if (item.Level == TAppLogLevel::Success)
            ++m_successes;
        if (item.Text == finished)
            QCoreApplication::exit(m_successes > 0 ? 0 : 1);
    }
}
