#include "platform/linux/wayland/DictationCommand.h"

#include <QCoreApplication>
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
    QCoreApplication application(argc, argv);
    SingleInstance instance(SingleInstance::defaultSocketPath());
    if (instance.handOverDictation(QString::fromUtf8(argv[2])) !=
        SingleInstance::Claim::HandedOver) {
        std::fprintf(stderr, "orvendi: Orvendi is not running\n");
        return 1;
    }
    return 0;
}

} // namespace orvendi
