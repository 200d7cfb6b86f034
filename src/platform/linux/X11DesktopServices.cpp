#include <QStandardPaths>
#include <QString>

#include "platform/linux/X11DesktopServices.h"

namespace orvendi {
namespace {

bool isInstalled(const std::string& program) {
    return !QStandardPaths::findExecutable(QString::fromStdString(program)).isEmpty();
}

} // namespace

X11DesktopServices::X11DesktopServices(Scheduler& scheduler,
                                       const std::optional<std::string>& dictationKey,
                                       std::function<MicrophoneAuthorization()> microphone,
                                       std::function<std::string()> workspaceSettingsURL,
                                       X11Workspace::Launcher launcher)
    : terminals(x, windows,
                [this](int32_t processId) {
                    const auto element = accessibility.focusedElement(processId);
                    return element && accessibility.nativeRole(*element) == ATSPI_ROLE_TERMINAL;
                }),
      keyEvents(x, scheduler, DictationKey(dictationKey, X11KeyEvents::keysymNames()), pasteboard,
                [this] { return terminals.activeWindowIsTerminal(); }),
      workspace(windows,
                PermissionSettingsPages(PermissionSettingsPages::desktopPrograms(),
                                        std::move(workspaceSettingsURL), isInstalled),
                std::move(launcher)),
      privacy(std::move(microphone), accessibility, x) {}

} // namespace orvendi
