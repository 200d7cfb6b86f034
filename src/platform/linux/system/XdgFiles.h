#pragma once

#include "platform/Files.h"

namespace orvendi {

// Home from $HOME (or the password database); application support from
// $XDG_DATA_HOME, else ~/.local/share.
class XdgFiles : public Files {
public:
    std::filesystem::path homeDirectory() const override;
    std::filesystem::path applicationSupportDirectory() const override;
};

} // namespace orvendi
