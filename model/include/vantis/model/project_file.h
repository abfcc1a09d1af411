// Project files (.cfa) and the system configuration: one document record in
// the archive form, no header, no checksum.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "vantis/model/document.h"

namespace vantis::model {

// The document's bytes.
std::vector<std::uint8_t> SaveProjectBytes(VantisAuto::CDoc& doc);

// Reads a document from bytes into a fresh document; only when the whole
// record was read does doc take it over. On failure
// doc is unchanged and *error says what went wrong. Returns success.
bool LoadProjectBytes(VantisAuto::CDoc& doc, const std::vector<std::uint8_t>& bytes, std::string* error);

// Writes the document to a file through a temporary file beside it that is
// renamed over the target, so a crash, a full disk or a second writer never
// leaves a truncated file. Creates the parent folder when missing.
bool SaveProjectFile(VantisAuto::CDoc& doc, const std::filesystem::path& path, std::string* error);

// Reads a file as LoadProjectBytes does.
bool LoadProjectFile(VantisAuto::CDoc& doc, const std::filesystem::path& path, std::string* error);

}  // namespace vantis::model
