#include "platform/linux/wayland/DictationCommand.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "platform/linux/qt/SingleInstance.h"

namespace orvendi {
namespace {

constexpr char kOption[] = "--dictation";
const std::set<std::string> kGestures{"press", "release", "toggle"};

} // namespace

std::optional<int> DictationCommand::run(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], kOption) != 0) {
        return std::nullopt;
    }
    if (argc != 3 || !kGestures.contains(argv[2])) {
        std::fprintf(stderr, "usage: orvendi --dictation press|release|toggle\n");
        return 2;
    }
    // When the shortcut ran, before this process spends time reaching the
    // agent, which may read it late: its gestures are timed by this.
    const double ranAt =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    QCoreApplication application(argc, argv);
    SingleInstance instance(SingleInstance::defaultSocketPath());
    const QString stamped = QString::fromUtf8(argv[2]) + ' ' + QString::number(ranAt, 'f', 6);
    if (instance.handOverDictation(stamped) != SingleInstance::Claim::HandedOver) {
        std::fprintf(stderr, "orvendi: Orvendi is not running\n");
        return 1;
    }
    return 0;
}

} // namespace orvendi
