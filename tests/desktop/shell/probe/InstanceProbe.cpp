// A stand-in for a launch of the agent, for the single-instance tests:
//   orvendi-instance-probe claim [--serve SECONDS] [URL...]
//       claims the agent's place and prints "primary" or "handed-over"; as
//       the agent it then serves for SECONDS, printing each request it
//       receives ("open URL", "reopen hidden|visible").
#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "platform/linux/qt/QtApplication.h"

namespace {

void print(const QString& line) {
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

int claim(QStringList arguments) {
    double serveSeconds = 0;
    if (arguments.size() >= 2 && arguments.first() == QStringLiteral("--serve")) {
        serveSeconds = arguments.at(1).toDouble();
        arguments = arguments.mid(2);
    }
    orvendi::QtApplication application(QStringList{QStringLiteral("orvendi")} + arguments);
    if (!application.claimSingleInstance()) {
        print(QStringLiteral("handed-over"));
        return 0;
    }
    print(QStringLiteral("primary"));
    application.setOpenURLsHandler([](const std::vector<std::string>& urls) {
        for (const std::string& url : urls) {
            print(QStringLiteral("open ") + QString::fromStdString(url));
        }
    });
    application.setReopenHandler(
        [](bool visible) { print(QStringLiteral("reopen ") + (visible ? "visible" : "hidden")); });
    QTimer::singleShot(static_cast<int>(serveSeconds * 1000), [&] { application.terminate(); });
    return application.run();
}

} // namespace

int main(int argc, char** argv) {
    orvendi::QtApplication::prepare();
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.value(0) == QStringLiteral("claim")) {
        return claim(arguments.mid(1));
    }
    std::fprintf(stderr, "usage: orvendi-instance-probe claim [--serve SECONDS] [URL...]\n");
    return 2;
}
