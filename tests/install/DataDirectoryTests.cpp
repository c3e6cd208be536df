// SPDX-License-Identifier: MIT
// The order in which the data directory is chosen, and the first-run set-up
// of the user's data folder.

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "DataDirectory.h"
#include "IndexReader.h"
#include "SpellFiles.h"
#include "SpellRecord.h"
#include "TestFiles.h"

namespace {

namespace fs = std::filesystem;

const char* SourceName(DataDirSource source) {
    switch (source) {
    case DataDirSource::kCommandLine: return "command line";
    case DataDirSource::kEnvironment: return "environment";
    case DataDirSource::kExecutable: return "executable";
    case DataDirSource::kUserFolder: return "user folder";
    }
    return "?";
}

// "@" in a path or message stands for the scratch root of the case.
std::string At(std::string_view text, const std::string& root) {
    std::string out;
    for (const char c : text)
        out += c == '@' ? root : std::string(1, c);
    return out;
}

std::vector<std::string> DirEntriesOf(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The names of the first `count` records of an index.
std::vector<std::string> IndexNames(const std::string& path, std::size_t count) {
    IndexReader index;
    EXPECT_TRUE(index.Open(path)) << path;
    std::vector<std::string> names;
    SpellRecord r;
    while (names.size() < count && index.Next(r))
        names.emplace_back(FieldText(r.szName));
    return names;
}

TEST(DataDirOrder, FirstMatchingStepWins) {
    // Inside each case's root: "dir/" exists, "file" is a regular file,
    // "exe/" holds the files listed in `exeFiles`.
    const struct {
        const char* name;
        std::string_view commandLine, environment, exeFiles, xdg, home;
        DataDirSource source;
        std::string_view dir, message;
    } kCases[] = {
        {"command line first", "@/dir", "@/dir", "wizard.txt", "@/xdg", "@/home",
         DataDirSource::kCommandLine, "@/dir/", ""},
        {"command line keeps its slash", "@/dir/", "", "", "", "@/home",
         DataDirSource::kCommandLine, "@/dir/", ""},
        {"missing command-line folder is an error", "@/none", "@/dir", "wizard.txt", "", "@/home",
         DataDirSource::kCommandLine, "@/none/", "can't use data folder @/none/: No such file or directory"},
        {"command-line file is an error", "@/file", "", "", "", "@/home",
         DataDirSource::kCommandLine, "@/file/", "can't use data folder @/file/: Not a directory"},
        {"environment second", "", "@/dir", "priest.idx", "@/xdg", "@/home",
         DataDirSource::kEnvironment, "@/dir/", ""},
        {"missing environment folder is an error", "", "@/none", "wizard.txt", "", "@/home",
         DataDirSource::kEnvironment, "@/none/", "can't use data folder @/none/: No such file or directory"},
        {"executable with wizard.txt", "", "", "wizard.txt", "@/xdg", "@/home",
         DataDirSource::kExecutable, "@/exe/", ""},
        {"executable with priest.txt", "", "", "priest.txt", "", "@/home",
         DataDirSource::kExecutable, "@/exe/", ""},
        {"executable with wizard.idx", "", "", "wizard.idx", "", "@/home",
         DataDirSource::kExecutable, "@/exe/", ""},
        {"executable with priest.idx", "", "", "priest.idx", "", "@/home",
         DataDirSource::kExecutable, "@/exe/", ""},
        {"other files do not count", "", "", "rogue.txt", "@/xdg", "@/home",
         DataDirSource::kUserFolder, "@/xdg/spells/", ""},
        {"XDG_DATA_HOME", "", "", "", "@/xdg/", "@/home",
         DataDirSource::kUserFolder, "@/xdg/spells/", ""},
        {"default under HOME", "", "", "", "", "@/home",
         DataDirSource::kUserFolder, "@/home/.local/share/spells/", ""},
        {"relative XDG_DATA_HOME is ignored", "", "", "", "xdg", "@/home",
         DataDirSource::kUserFolder, "@/home/.local/share/spells/", ""},
        {"relative HOME is no home", "", "", "", "", "home",
         DataDirSource::kUserFolder, "", "can't find the home folder for the data folder"},
        {"relative HOME beside XDG_DATA_HOME", "", "", "", "@/xdg", "home",
         DataDirSource::kUserFolder, "@/xdg/spells/", ""},
        {"no home at all", "", "", "", "", "",
         DataDirSource::kUserFolder, "", "can't find the home folder for the data folder"},
    };
    for (const auto& c : kCases) {
        TempDir root;
        const std::string r = root.path().string();
        fs::create_directories(root.path() / "dir");
        fs::create_directories(root.path() / "exe");
        WriteFile(root.file("file"), "x");
        if (!c.exeFiles.empty())
            WriteFile(root.file("exe/" + std::string(c.exeFiles)), "x");

        DataDirInputs inputs;
        inputs.strCommandLine = At(c.commandLine, r);
        inputs.strEnvironment = At(c.environment, r);
        inputs.strExecutableDir = r + "/exe/";
        inputs.strXdgDataHome = At(c.xdg, r);
        inputs.strHome = At(c.home, r);
        const DataDirResult result = ChooseDataDir(inputs);

        EXPECT_STREQ(SourceName(result.source), SourceName(c.source)) << c.name;
        EXPECT_EQ(result.strDir, At(c.dir, r)) << c.name;
        EXPECT_EQ(result.strMessage, At(c.message, r)) << c.name;
        EXPECT_FALSE(result.bSeeded) << c.name;
        EXPECT_FALSE(fs::exists(root.path() / "xdg")) << c.name << ": choosing creates nothing";
        EXPECT_FALSE(fs::exists(root.path() / "home")) << c.name << ": choosing creates nothing";
    }
}

// The sample lists of the source tree, as the installed ones.
class Seeding : public testing::Test {
protected:
    std::string Samples() const { return SPELLS_SAMPLES_DIR "/"; }
    std::string User() const { return root.prefix() + "share/spells/"; }

    TempDir root;
};

TEST_F(Seeding, NewFolderGetsTheSamplesAndTheirIndexes) {
    const DataDirResult result = SeedUserDataDir(User(), Samples());
    ASSERT_TRUE(result.ok()) << result.strMessage;
    EXPECT_TRUE(result.bSeeded);
    EXPECT_EQ(result.strDir, User());

    EXPECT_EQ(DirEntriesOf(User()), (std::vector<std::string>{"priest.idx", "priest.txt", "wizard.idx",
                                                              "wizard.txt"}));
    EXPECT_EQ(ReadFile(User() + "wizard.txt"), ReadFile(Samples() + "wizard.txt"));
    EXPECT_EQ(ReadFile(User() + "priest.txt"), ReadFile(Samples() + "priest.txt"));
    EXPECT_EQ(IndexNames(User() + "wizard.idx", 2),
              (std::vector<std::string>{"Quill of Patient Copying", "Ember Mote"}));
    EXPECT_GT(ReadFile(User() + "priest.idx").size(), 2 * kRecordSize);
    // Nothing but the folder is left beside it.
    EXPECT_EQ(DirEntriesOf(root.prefix() + "share"), (std::vector<std::string>{"spells"}));

    struct stat st {};
    ASSERT_EQ(::stat(User().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(Seeding, ExistingFolderIsNeverTouched) {
    fs::create_directories(User());
    WriteFile(User() + "wizard.txt", "mine");
    const DataDirResult result = SeedUserDataDir(User(), Samples());
    ASSERT_TRUE(result.ok()) << result.strMessage;
    EXPECT_FALSE(result.bSeeded);
    EXPECT_EQ(DirEntriesOf(User()), (std::vector<std::string>{"wizard.txt"}));
    EXPECT_EQ(ReadFile(User() + "wizard.txt"), "mine");

    fs::remove(User() + "wizard.txt");
    ASSERT_TRUE(SeedUserDataDir(User(), Samples()).ok());
    EXPECT_TRUE(DirEntriesOf(User()).empty()) << "an empty folder stays empty";
}

TEST_F(Seeding, WithoutSamplesNothingIsCreated) {
    const DataDirResult result = SeedUserDataDir(User(), root.prefix() + "no-samples");
    ASSERT_TRUE(result.ok()) << result.strMessage;
    EXPECT_FALSE(result.bSeeded);
    EXPECT_TRUE(result.bNoSamples);
    EXPECT_EQ(result.strDir, User());
    EXPECT_TRUE(DirEntriesOf(root.prefix()).empty());
}

TEST_F(Seeding, LeftoversOfKilledSetUpsAreRemovedUnlessHeld) {
    const std::string share = root.prefix() + "share/";
    for (const char* name : {".spells-abc123", ".spells-Held99", ".spells-long1234", ".other-abc123"}) {
        fs::create_directories(share + name + "/sub");
        WriteFile(share + name + "/sub/wizard.txt", "x");
    }
    // A set-up still running holds the lock on its folder.
    const int held = ::open((share + ".spells-Held99").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    fs::create_directories(User());  // an existing folder: the leftovers go all the same
    ASSERT_TRUE(SeedUserDataDir(User(), Samples()).ok());
    EXPECT_EQ(DirEntriesOf(share), (std::vector<std::string>{".other-abc123", ".spells-Held99",
                                                             ".spells-long1234", "spells"}));
    ::close(held);
    fs::remove(User());
    ASSERT_TRUE(SeedUserDataDir(User(), Samples()).ok());
    EXPECT_EQ(DirEntriesOf(share), (std::vector<std::string>{".other-abc123", ".spells-long1234", "spells"}));
}

TEST(DataDirOfProcess, RelativeHomeIsNoHome) {
    const std::string saved = std::getenv("HOME") ? std::getenv("HOME") : "";
    ::setenv("HOME", "relative/home", 1);
    const DataDirInputs inputs = DataDirInputsOfProcess({});
    ::setenv("HOME", saved.c_str(), 1);
    // Empty, or the password database's home.
    EXPECT_TRUE(inputs.strHome.empty() || inputs.strHome.front() == '/') << inputs.strHome;
}

TEST_F(Seeding, FailuresNameTheFolderAndLeaveNothingBehind) {
    // The folder's parent runs through a regular file.
    WriteFile(root.file("share"), "x");
    DataDirResult result = SeedUserDataDir(User(), Samples());
    EXPECT_EQ(result.strMessage, "can't create data folder " + User() + ": Not a directory");
    EXPECT_FALSE(result.bSeeded);

    // The folder's name is taken by a file.
    fs::remove(root.file("share"));
    fs::create_directories(root.path() / "share");
    WriteFile(root.prefix() + "share/spells", "x");
    result = SeedUserDataDir(User(), Samples());
    EXPECT_EQ(result.strMessage, "can't use data folder " + User() + ": Not a directory");
    fs::remove(root.prefix() + "share/spells");

    // The second sample cannot be copied (it is a folder), after the first
    // was copied and indexed.
    TempDir samples;
    WriteFile(samples.file("wizard.txt"), ReadFile(Samples() + "wizard.txt"));
    fs::create_directories(samples.path() / "priest.txt");
    result = SeedUserDataDir(User(), samples.prefix());
    EXPECT_EQ(result.strMessage.rfind("can't create data folder " + User() + ": can't open file ", 0), 0u)
        << result.strMessage;
    EXPECT_FALSE(fs::exists(User()));
    EXPECT_TRUE(DirEntriesOf(root.prefix() + "share").empty()) << "the scratch folder is removed";
}

TEST_F(Seeding, SettleChoosesThenSetsUpTheUserFolder) {
    DataDirInputs inputs;
    inputs.strExecutableDir = root.prefix() + "exe/";
    inputs.strXdgDataHome = root.prefix() + "share";
    DataDirResult result = SettleDataDir(inputs, Samples());
    ASSERT_TRUE(result.ok()) << result.strMessage;
    EXPECT_TRUE(result.bSeeded);
    EXPECT_EQ(result.strDir, User());
    EXPECT_TRUE(fs::exists(User() + "priest.idx"));

    // The second start finds the folder set up.
    result = SettleDataDir(inputs, Samples());
    EXPECT_FALSE(result.bSeeded);
    EXPECT_EQ(result.strDir, User());

    inputs.strEnvironment = root.prefix() + "missing";
    result = SettleDataDir(inputs, Samples());
    EXPECT_EQ(result.strMessage,
              "can't use data folder " + root.prefix() + "missing/: No such file or directory");
}

}  // namespace
