// The plug-in as the camera library loads it: dlopen, the one factory export,
// creation by identity string.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "Gridveil/IGridEditor.h"

namespace {

TEST(PluginLoadTest, CreatesTheEditorByItsClassIdOnly) {
    void* lib = dlopen(GRIDVEIL_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    const auto create = reinterpret_cast<gridveil::CreateFunction>(dlsym(lib, gridveil::kFactorySymbol));
    ASSERT_NE(create, nullptr);
    // Internal functions stay hidden.
    EXPECT_EQ(dlsym(lib, "_ZN8gridveil6detail12MarkerRadiusEi"), nullptr);

    EXPECT_EQ(create(nullptr), nullptr);
    EXPECT_EQ(create("{19A32D32-19F9-45B4-8488-F5C56490E33A}"), nullptr);
    gridveil::IGridEditor* editor = create("{7C72C57C-D65E-4146-91B9-77813BC925DA}");
    ASSERT_NE(editor, nullptr);
    int bypass = 0;
    EXPECT_EQ(editor->IsByPass(&bypass), gridveil::kOk);
    EXPECT_EQ(bypass, 1);
    EXPECT_EQ(editor->SetGridNum(5), gridveil::kFail);
    EXPECT_FALSE(gridveil::Succeeded(gridveil::kFail));
    delete editor;
    dlclose(lib);
}

}  // namespace
