// A project document as JSON, for cfatool: every field a project file stores,
// under camelCase names. Boundary tables are arrays of columns; a table value
// that is not a finite number is written as the string "0x" + its eight hex
// digits so that a dump written back gives the same bytes.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "vantis/model/document.h"

namespace vantis::model {

nlohmann::json ProjectToJson(const VantisAuto::CDoc& doc);

// Fills a document (which must have no channels) from JSON. Keys that are
// missing keep the document's values; a key of the wrong type or shape fails
// with *error naming it.
bool ProjectFromJson(const nlohmann::json& json, VantisAuto::CDoc& doc, std::string* error);

}  // namespace vantis::model
