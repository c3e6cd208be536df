// SPDX-License-Identifier: MIT
#include "RecordJson.h"

#include "DescriptionReader.h"
#include "JsonWriter.h"
#include "TextDecoding.h"

std::string RecordJson(const SpellRecord& r, int64_t offset, bool withDescription,
                       const std::string& textPath) {
    LevelDigits scratch;
    const RecordFieldViews fields = RecordFields(r, scratch);
    const auto text = [&](SpellField field) { return DecodeForDisplay(fields[static_cast<std::size_t>(field)]); };
    JsonObject json;
    json.AddInt("offset", offset);
    json.AddInt("text_offset", r.nTextOffset);
    json.AddString("name", text(kFieldName));
    json.AddInt("level", r.nLevel);  // a number, not its digits
    json.AddInt("school_image", r.nSchoolImage);
    json.AddString("school", text(kFieldSchool));
    json.AddString("range", text(kFieldRange));
    json.AddString("duration", text(kFieldDuration));
    json.AddString("area", text(kFieldArea));
    json.AddString("components", text(kFieldComponents));
    json.AddString("saving_throw", text(kFieldSavingThrow));
    json.AddString("casting_time", text(kFieldCastingTime));
    if (withDescription) {
        const DescriptionResult description = ReadDescriptionFromPath(textPath, r.nTextOffset);
        if (description.ok())
            json.AddString("description", DecodeForDisplay(description.strText));
        else
            json.AddNull("description");
    }
    return std::move(json).Finish();
}
