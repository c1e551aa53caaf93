#pragma once
// A fixture with a fresh temporary folder per test, removed afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace vimbra {

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "vimbra-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // A small file of that name in the folder; its path.
    std::string file(const std::string& name) {
        const std::filesystem::path p = dir_ / name;
        std::ofstream(p) << "x";
        return p.string();
    }
    // The path of a file that does not exist.
    std::string missing(const std::string& name) { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

}  // namespace vimbra
