#pragma once

namespace orvendi {

// How far a new user has come; the furthest stage reached is kept in the user
// defaults and only ever moves forward.
enum class ActivationStage {
    Opened = 1,
    PermissionsReady = 2,
    ShortcutReady = 3,
    FirstPasteComplete = 4,
    Complete = 5,
};

} // namespace orvendi
