// SPDX-License-Identifier: MIT
#include "RecordJson.h"

#include "DescriptionReader.h"
#include "JsonWriter.h"
#include "TextDecoding.h"

std::string RecordJson(const SpellRecord& r, int64_t offset, bool withDescription,
                       const std::string& textPath) {
    JsonObject json;
    json.AddInt("offset", offset);
    json.AddInt("text_offset", r.nTextOffset);
    json.AddString("name", DecodeForDisplay(FieldText(r.szName)));
    json.AddInt("level", r.nLevel);
    json.AddInt("school_image", r.nSchoolImage);
    json.AddString("school", DecodeForDisplay(FieldText(r.szSchool)));
    json.AddString("range", DecodeForDisplay(FieldText(r.szRange)));
    json.AddString("duration", DecodeForDisplay(FieldText(r.szDuration)));
    json.AddString("area", DecodeForDisplay(FieldText(r.szArea)));
    json.AddString("components", DecodeForDisplay(FieldText(r.szComponents)));
    json.AddString("saving_throw", DecodeForDisplay(FieldText(r.szSavingThrow)));
    json.AddString("casting_time", DecodeForDisplay(FieldText(r.szCastingTime)));
    if (withDescription) {
        const DescriptionResult description = ReadDescriptionFromPath(textPath, r.nTextOffset);
        if (description.ok())
            json.AddString("description", DecodeForDisplay(description.strText));
        else
            json.AddNull("description");
    }
    return std::move(json).Finish();
}
