// The built plug-in exports exactly one symbol, the factory, under its plain C name.
#include "elf_dynamic_symbols.h"

#include <elf.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;

std::vector<std::string> namesOf(const std::vector<elf_symbol>& symbols) {
    std::vector<std::string> names;
    for (const elf_symbol& symbol : symbols) {
        names.push_back(symbol.name);
    }
    return names;
}

TEST(plugin_exports, only_the_factory_as_a_global_function) {
    const std::string path = ZETH_PLUGIN_PATH;
    EXPECT_THAT(path, EndsWith("/R7_DESK.so"));
    const std::vector<elf_symbol> exported = exportedSymbols(path);
    ASSERT_THAT(namesOf(exported), ElementsAre("load_zeth_client_script"));
    EXPECT_EQ(exported[0].type, static_cast<unsigned>(STT_FUNC));
    EXPECT_EQ(exported[0].binding, static_cast<unsigned>(STB_GLOBAL));
}

TEST(plugin_exports, a_second_export_would_be_seen) {
    // The same reading of a library that exports two functions finds both, so the test above
    // fails as soon as anything else leaks out of the plug-in. (Without a version script such a
    // library also leaks more: under UBSan, the type information of the function type.)
    EXPECT_THAT(namesOf(exportedSymbols(ZETH_EXPORT_PROBE_PATH)),
                ::testing::IsSupersetOf({"probe_first", "probe_second"}));
}

} // namespace
