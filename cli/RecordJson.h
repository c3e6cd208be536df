// SPDX-License-Identifier: MIT
#pragma once
// One index record as the JSON object spellindex prints for it.

#include <cstdint>
#include <string>

#include "SpellRecord.h"

// The record at index offset `offset` as one JSON object, texts decoded for
// display. With `withDescription`, adds the description read from
// `textPath` ("description", null when it cannot be read).
std::string RecordJson(const SpellRecord& record, int64_t offset, bool withDescription,
                       const std::string& textPath);
