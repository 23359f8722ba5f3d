// SPDX-License-Identifier: MIT
// Every script under scripts/ must print exactly the lines of its .expected file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/RunScript.h"
#include "sim/Script.h"
#include "sim/ScriptSource.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<fs::path> Fixtures() {
    std::vector<fs::path> scripts;
    for (const auto& entry : fs::directory_iterator(GYROLAP_SIM_FIXTURES))
        if (entry.path().extension() == ".script") scripts.push_back(entry.path());
    std::sort(scripts.begin(), scripts.end());
    return scripts;
}

class ScriptFixture : public testing::TestWithParam<fs::path> {};

TEST_P(ScriptFixture, PrintsExactlyTheExpectedLines) {
    const fs::path script = GetParam();
    fs::path expected = script;
    expected.replace_extension(".expected");
    ASSERT_TRUE(fs::exists(expected)) << expected;

    std::istringstream in(ReadFile(script));
    std::ostringstream out, err;
    const auto source = gyrolap::sim::OpenScript(in);
    const int status = gyrolap::sim::RunScript(*source, out, err);
    EXPECT_EQ(status, gyrolap::sim::kExitOk) << err.str();
    EXPECT_EQ(out.str(), ReadFile(expected));
}

INSTANTIATE_TEST_SUITE_P(Scripts, ScriptFixture, testing::ValuesIn(Fixtures()),
                         [](const testing::TestParamInfo<fs::path>& info) {
                             std::string name = info.param.stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
