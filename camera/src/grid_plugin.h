// The grid-overlay plug-in libGridveil.so, loaded from the directory of libOculet.so.
#pragma once

#include <string>

#include "Gridveil/IGridEditor.h"

namespace oculet {

class GridPlugin {
  public:
    GridPlugin() = default;
    ~GridPlugin();
    GridPlugin(const GridPlugin&) = delete;
    GridPlugin& operator=(const GridPlugin&) = delete;

    // Loads the library and creates the editor; false (and no editor) when the plug-in is absent
    // or refuses. Frames then pass the pipeline unchanged.
    bool Load();
    // Deletes the editor, then unloads the library.
    void Unload();
    gridveil::IGridEditor* Editor() const { return editor_; }

    // The directory holding libOculet.so (the plug-in's place), or empty if unknown.
    static std::string LibraryDirectory();

  private:
    void* library_ = nullptr;
    gridveil::IGridEditor* editor_ = nullptr;
};

}  // namespace oculet
