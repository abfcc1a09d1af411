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
// record was read and is plausible (plausibility.h) does doc take it over. On failure
// doc is unchanged and *error says what went wrong. Returns success.
// kUnchecked skips the plausibility check: for the repair tool only, which must be
// able to show a damaged file.
enum class LoadCheck { kPlausible, kUnchecked };
bool LoadProjectBytes(VantisAuto::CDoc& doc, const std::vector<std::uint8_t>& bytes, std::string* error,
                      LoadCheck check = LoadCheck::kPlausible);

// Writes the document to a file through a temporary file beside it that is
// renamed over the target, so a crash, a full disk or a second writer never
// leaves a truncated file. Creates the parent folder when missing.
bool SaveProjectFile(VantisAuto::CDoc& doc, const std::filesystem::path& path, std::string* error);
// The same for any bytes.
bool WriteFileAtomically(const std::vector<std::uint8_t>& bytes, const std::filesystem::path& path,
                         std::string* error);

// The largest project file read: the boundary tables and 256 channels with long
// photo paths fit many times over.
inline constexpr std::uintmax_t kMaxProjectFileBytes = 64u * 1024u * 1024u;

// Reads the bytes of a project file: a regular file only (not a folder, device or
// FIFO; opened without blocking), at most kMaxProjectFileBytes. Every failure is
// returned with its reason, never thrown.
bool ReadProjectFileBytes(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes,
                          std::string* error);

// Reads a file as LoadProjectBytes does, through ReadProjectFileBytes.
bool LoadProjectFile(VantisAuto::CDoc& doc, const std::filesystem::path& path, std::string* error,
                     LoadCheck check = LoadCheck::kPlausible);

}  // namespace vantis::model
