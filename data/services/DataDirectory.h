// SPDX-License-Identifier: MIT
#pragma once
// Where the browser keeps its spell lists. The data directory is the first
// of, in this order:
//   1. the directory given with --data-dir;
//   2. the directory in the environment variable SPELLS_DATA_DIR;
//   3. the executable's directory (ExecutableDataDir), when it holds a spell
//      text or index file of either class: a portable copy or a build tree;
//   4. the user's data folder, $XDG_DATA_HOME/spells (~/.local/share/spells
//      by default), set up with the sample lists on first use.
// A directory given by 1 or 2 must exist. The result ends in '/'.

#include <string>
#include <string_view>

// Where the chosen data directory came from.
enum class DataDirSource {
    kCommandLine,
    kEnvironment,
    kExecutable,
    kUserFolder,
};

// What the choice is made from; an empty string stands for "not given".
struct DataDirInputs {
    std::string strCommandLine;    // --data-dir
    std::string strEnvironment;    // SPELLS_DATA_DIR
    std::string strExecutableDir;  // ExecutableDataDir()
    std::string strXdgDataHome;    // XDG_DATA_HOME
    std::string strHome;           // HOME
};

struct [[nodiscard]] DataDirResult {
    DataDirSource source = DataDirSource::kUserFolder;
    std::string strDir;      // the data directory, ending in '/'
    bool bSeeded = false;    // the user folder was created by this call
    std::string strMessage;  // why it cannot be used, for the user; empty on success
    bool bNoSamples = false;  // the user folder is missing: nothing to fill it with

    bool ok() const { return strMessage.empty(); }
};

// The class names whose files make a directory a data directory.
inline constexpr std::string_view kSpellClasses[] = {"wizard", "priest"};

// The user's data folder: $XDG_DATA_HOME/spells/ when XDG_DATA_HOME is an
// absolute path (a relative one is ignored), else $HOME/.local/share/spells/
// when HOME is an absolute path. Empty when neither is known.
std::string UserDataDir(const DataDirInputs& inputs);

// Picks the data directory by the order above. Creates nothing; fails when
// the directory of step 1 or 2 is missing or not a directory, naming it.
DataDirResult ChooseDataDir(const DataDirInputs& inputs);

// Sets up the user data folder `dir` (ending in '/') unless it exists: each
// class's text file found in `samplesDir` is copied and indexed, in a
// scratch folder beside `dir` that is renamed to it once complete, so that
// `dir` is either missing or complete. Missing parent folders are created
// (mode 0700). An existing `dir` is never touched. bSeeded tells whether
// the folder was made.
// Without a sample text nothing is created, and bNoSamples says so. The
// scratch folders of set-ups killed part way (".spells-XXXXXX" beside
// `dir`) are removed; a running set-up holds a lock on its own.
DataDirResult SeedUserDataDir(const std::string& dir, const std::string& samplesDir);

// ChooseDataDir, then SeedUserDataDir for the user folder.
DataDirResult SettleDataDir(const DataDirInputs& inputs, const std::string& samplesDir);

// The folder of the help file "<name>.hlp" given its full path: the prefix
// of `helpPath` before "<appName>.hlp", found case-insensitively (the last
// match). The path keeps its case, since Linux file names are
// case-sensitive. Without a match the whole path is taken.
std::string DataDirFromHelpPath(std::string_view helpPath, std::string_view appName);

// DataDirFromHelpPath for the running executable: its full path with the
// extension replaced by ".hlp", and its base name.
std::string ExecutableDataDir();

// Whether `path` starts at the root.
bool IsAbsolute(std::string_view path);

// The inputs of this process: its environment (HOME, unless relative,
// falling back to the password database) and the directory of the running executable, with
// `commandLineDir` from the command line.
DataDirInputs DataDirInputsOfProcess(std::string_view commandLineDir);
