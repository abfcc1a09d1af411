// The camera's image folder: <data home>/<vendor word>/ImageData, emptied
// before every capture.
//
// Emptying never reaches outside that folder: the vendor word must be one
// plain folder name (not empty, not "." or "..", no slash), the data home, the
// vendor folder and the image folder must be real folders (no symbolic link on
// the way), and inside it a symbolic link is removed as a link, never
// followed.
#pragma once

#include <filesystem>
#include <string>

namespace vantis::calibration {

bool IsPlainFolderWord(const std::string& word);

// <dataHome>/<word>/ImageData
std::filesystem::path ImageFolderOf(const std::filesystem::path& dataHome, const std::string& word);

// Creates the image folder when missing and deletes everything inside it.
// `folder` is the folder the camera will write to; it must be the image folder
// of `word` under `dataHome`. Returns false, deleting nothing, when any check
// fails, with the reason in *error.
bool EmptyImageFolder(const std::filesystem::path& dataHome, const std::string& word,
                      const std::filesystem::path& folder, std::string* error);

}  // namespace vantis::calibration
