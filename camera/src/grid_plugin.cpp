#include "grid_plugin.h"

#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "vantis/log.h"

namespace oculet {

GridPlugin::~GridPlugin() {
    Unload();
}

std::string GridPlugin::LibraryDirectory() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&GridPlugin::LibraryDirectory), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    std::error_code error;
    const auto path = std::filesystem::canonical(info.dli_fname, error);
    return error ? std::filesystem::path(info.dli_fname).parent_path().string() : path.parent_path().string();
}

bool GridPlugin::Load() {
    Unload();
    const std::string directory = LibraryDirectory();
    if (directory.empty()) return false;
    const std::string path = directory + "/" + gridveil::kLibraryName;
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = ::dlerror();
        vantis::log::Error("oculet",
                           "cannot load the grid overlay " + path + ": " + (why ? why : "unknown reason"));
        return false;
    }
    auto create = reinterpret_cast<gridveil::CreateFunction>(::dlsym(library, gridveil::kFactorySymbol));
    if (create == nullptr) {
        const char* why = ::dlerror();
        vantis::log::Error("oculet", std::string("the grid overlay has no ") + gridveil::kFactorySymbol +
                                         ": " + (why ? why : "unknown reason"));
    }
    gridveil::IGridEditor* editor = create != nullptr ? create(gridveil::kClassId) : nullptr;
    if (editor == nullptr) {
        if (create != nullptr) vantis::log::Error("oculet", "the grid overlay made no editor");
        ::dlclose(library);
        return false;
    }
    library_ = library;
    editor_ = editor;
    return true;
}

void GridPlugin::Unload() {
    delete editor_;
    editor_ = nullptr;
    if (library_ != nullptr) ::dlclose(library_);
    library_ = nullptr;
}

}  // namespace oculet
