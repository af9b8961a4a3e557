// Loading plug-ins: the clear errors for a missing file, a file that is no library and a library
// without the factory, the default plug-in beside the program, and a plug-in built without the
// host's sanitizers.
#include "plugin_loader.h"
#include "scripted_host.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

std::string loadError(const std::string& path) {
    try {
        plugin_library library(path);
    } catch (const plugin_error& error) {
        return error.what();
    }
    return "";
}

TEST(plugin_loader, aMissingFileSaysSoAndHowToNameAnother) {
    const std::string message = loadError("/nonexistent/R7_DESK.so");
    EXPECT_THAT(message, HasSubstr("/nonexistent/R7_DESK.so"));
    EXPECT_THAT(message, HasSubstr("no such file"));
    EXPECT_THAT(message, HasSubstr("--plugin"));
}

TEST(plugin_loader, aFileThatIsNoLibrarySaysWhyTheSystemRefusedIt) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / "zeth_host_not_a_library.so";
    std::ofstream(path) << "not a shared library";
    const std::string message = loadError(path.string());
    std::filesystem::remove(path);
    EXPECT_THAT(message, HasSubstr("cannot load the plug-in"));
    EXPECT_THAT(message, HasSubstr(path.string()));
}

TEST(plugin_loader, aLibraryWithoutTheFactoryIsNoPanelPlugin) {
    const std::string message = loadError(ZETH_NO_EXPORT_PLUGIN);
    EXPECT_THAT(message, HasSubstr("does not export load_zeth_client_script"));
}

TEST(plugin_loader, findsTheFactoryOfAPanelPlugin) {
    plugin_library library(ZETH_SCRIPTED_PLUGIN);
    EXPECT_NE(library.factory(), nullptr);
    EXPECT_EQ(library.path(), ZETH_SCRIPTED_PLUGIN);
}

TEST(plugin_loader, theDefaultIsTheR7DeskPluginBesideTheProgram) {
    const std::filesystem::path path = defaultPluginPath();
    EXPECT_EQ(path.filename(), "R7_DESK.so");
    EXPECT_EQ(path.parent_path(), std::filesystem::path(ZETH_SCRIPTED_PLUGIN).parent_path())
        << "programs and plug-ins land side by side";
}

TEST(plugin_loader, aPluginBuiltWithoutTheHostsSanitizersRunsWithIt) {
    // In the asan and tsan presets the host is instrumented and this plug-in is not.
    scripted_host test("<built-in>", {"SD 'R7 SDI Router'"}, 1, ZETH_PLAIN_PLUGIN);
    test.host->click(1, "SD 'R7 SDI Router'");
    test.host->finish();
    EXPECT_THAT(test.captured.violations(), IsEmpty());
    EXPECT_TRUE(test.captured.command("SD 'R7 SDI Router'")->handedBack);
}

} // namespace
