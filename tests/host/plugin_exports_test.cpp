// The Linux plug-in exports what the Windows .asi exports and nothing more,
// so none of its calls can bind to a same-named function in the host.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

TEST(PluginExports, OnlyTheEntryPointsAreVisible) {
    // Lazy binding: the test program does not export the host functions the
    // plug-in imports, and nothing here calls them.
    void* plugin = dlopen(KORVANE_PLUGIN_PATH, RTLD_LAZY | RTLD_LOCAL);
    ASSERT_NE(plugin, nullptr) << dlerror();
    EXPECT_NE(dlsym(plugin, "DllMain"), nullptr);
    EXPECT_NE(dlsym(plugin, "KorvaneTrackedLists"), nullptr);
    // A plug-in function, an operation of the typed layer, the process-wide
    // record and an instantiation of a standard container's code.
    for (const char* hidden : {"_Z8TickPassv", "_ZN4game12EntityExistsEi", "Plugin",
                               "_ZNSt6vectorIiSaIiEE17_M_realloc_insertIJRKiEEEvN9__gnu_"
                               "cxx17__normal_iteratorIPiS1_EEDpOT_"}) {
        EXPECT_EQ(dlsym(plugin, hidden), nullptr) << hidden;
    }
    dlclose(plugin);
}

}  // namespace
