// SPDX-License-Identifier: MIT
#include "SpellFiles.h"

std::string TextPath(std::string_view dataDir, std::string_view spellClass) {
    return std::string(dataDir).append(spellClass).append(kTextExtension);
}

std::string IndexPath(std::string_view dataDir, std::string_view spellClass) {
    return std::string(dataDir).append(spellClass).append(kIndexExtension);
}
