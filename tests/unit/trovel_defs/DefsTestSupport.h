#pragma once
// A test runs inside a scratch copy of a fixture definition folder (the library works
// relative to the current folder), with its own definitions object (as a run owns one),
// no pauses and recorded questions.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Definitions.h"
#include "TestSupport.h"

struct AskedQuestion {
    std::string text;
    UINT type;
    int confirm;
};

class DefsTest : public ::testing::Test {
public:  // open to the case tables of the tests
    void SetUp() override;
    void TearDown() override;

    // Copies tests\fixtures\trovel_defs\<name> over the scratch folder.
    void UseFixture(const std::string& name);
    std::string Path(const std::string& relative) const { return m_scratch->Path() + "\\" + relative; }
    std::string Read(const std::string& relative) const { return testing_support::ReadFileBytes(Path(relative)); }
    void Write(const std::string& relative, const std::string& bytes) const
    {
        testing_support::WriteFileBytes(Path(relative), bytes);
    }
    bool Exists(const std::string& relative) const { return testing_support::PathExists(Path(relative)); }
    std::string Ini(const std::string& relative, const std::string& section, const std::string& key) const;
    void SetIni(const std::string& relative, const std::string& section, const std::string& key,
                const std::string& value) const;

    CTrovelDefinitions defs;
    std::vector<AskedQuestion> asked;
    std::vector<int> answers;  // given in turn; `answer` once they are used up
    int answer = IDYES;

private:
    std::unique_ptr<testing_support::ScratchDir> m_scratch;
    std::string m_previousFolder;
};

// HKLM "Software\Velmora\Trovel" helpers.
void SetTrovelValue(const std::string& name, const std::string& value);
std::string GetTrovelValue(const std::string& name);
bool TrovelValueExists(const std::string& name);
void DeleteTrovelKey();
std::string ComputerNameForTest();
