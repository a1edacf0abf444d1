// Runs one directory search that leaves the server to DNS, as a computer without the directory option set
// does, and prints what reached the main thread: "group NAME" or "NAME|GROUP" a line, then "error: TEXT".
// The user name is the argument; the password comes on standard input.
#include "TEnglishTexts.h"
#include "uThrdSearchGroupsAndComputers.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const TEnglishTexts texts;
    QTextStream in(stdin);
    QTextStream out(stdout);
    auto* search = new TThrdSearchGroupsAndComputers({});
    search->SetSearchMode(1);
    search->SetDirectory({QString(), QString(), app.arguments().value(1), in.readLine(), true, false});
    search->SetOnFoundObject([&out](TSimpleObject& object) {
        out << (object.IsGroup() ? QStringLiteral("group ") + object.Name
                                 : object.Name + u'|' + (object.Parent ? object.Parent->Name : u"-"_qs))
            << '\n';
    });
    search->SetOnSearchEnded(
        [&out](const TThrdSearchGroupsAndComputers& ended) { out << "error: " << ended.ErrorText() << '\n'; });
    QObject::connect(search, &QObject::destroyed, &app, &QCoreApplication::quit);
    search->start();
    return app.exec();
}
