// The plug-in's includes run one way, from the host interface up to the loop,
// and no two of its files need each other. Layers, lowest first: host, state,
// display, config, tracking, traffic, loop; a file includes its own layer and
// the ones below it only.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> Layers = {"host",     "state",   "display", "config",
                                         "tracking", "traffic", "loop"};

int LayerOf(const std::string& folder) {
    auto at = std::find(Layers.begin(), Layers.end(), folder);
    return at == Layers.end() ? -1 : static_cast<int>(at - Layers.begin());
}

// A file of the tree by its path under the root, with what it includes.
struct SourceFile {
    std::string path;  // "traffic/replacement.cpp"
    std::vector<std::string> includes;
};

std::vector<SourceFile> ReadTree(const fs::path& root) {
    std::vector<SourceFile> files;
    const std::regex include("^\\s*#\\s*include\\s*\"([^\"]+)\"");
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const std::string extension = entry.path().extension().string();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) {
            continue;
        }
        SourceFile file;
        file.path = fs::relative(entry.path(), root).generic_string();
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            std::smatch match;
            if (std::regex_search(line, match, include)) {
                file.includes.push_back(match[1]);
            }
        }
        files.push_back(file);
    }
    std::sort(files.begin(), files.end(),
              [](const SourceFile& a, const SourceFile& b) { return a.path < b.path; });
    return files;
}

std::string FolderOf(const std::string& path) {
    return path.substr(0, path.find('/'));
}

std::string ModuleOf(const std::string& path) {
    return path.substr(0, path.rfind('.'));
}

// Every include that goes up a layer, leaves the plug-in or names an unknown
// layer; every .cpp without its own header included first.
std::vector<std::string> LayeringFaults(const std::vector<SourceFile>& files) {
    std::set<std::string> paths;
    for (const SourceFile& file : files) {
        paths.insert(file.path);
    }
    std::vector<std::string> faults;
    for (const SourceFile& file : files) {
        const int own = LayerOf(FolderOf(file.path));
        if (own < 0) {
            faults.push_back(file.path + " is in no layer");
            continue;
        }
        for (const std::string& included : file.includes) {
            const int layer = LayerOf(FolderOf(included));
            if (layer < 0 || paths.count(included) == 0) {
                faults.push_back(file.path + " includes " + included + " from outside the plug-in");
            } else if (layer > own) {
                faults.push_back(file.path + " includes " + included + " from a layer above");
            }
        }
        if (file.path.size() > 4 && file.path.substr(file.path.size() - 4) == ".cpp") {
            const std::string header = ModuleOf(file.path) + ".h";
            if (paths.count(header) == 0) {
                faults.push_back(file.path + " has no header of its own");
            } else if (file.includes.empty() || file.includes.front() != header) {
                faults.push_back(file.path + " does not include " + header + " first");
            }
        }
    }
    return faults;
}

// A chain of modules (a header with its .cpp) that leads back to its start.
std::vector<std::string> FirstModuleCycle(const std::vector<SourceFile>& files) {
    std::map<std::string, std::set<std::string>> uses;
    for (const SourceFile& file : files) {
        for (const std::string& included : file.includes) {
            if (ModuleOf(included) != ModuleOf(file.path)) {
                uses[ModuleOf(file.path)].insert(ModuleOf(included));
            }
        }
    }
    std::map<std::string, int> state;  // 1 on the path, 2 done
    std::vector<std::string> path;
    std::vector<std::string> cycle;
    std::function<bool(const std::string&)> visit = [&](const std::string& module) {
        state[module] = 1;
        path.push_back(module);
        for (const std::string& next : uses[module]) {
            if (state[next] == 1) {
                cycle.assign(std::find(path.begin(), path.end(), next), path.end());
                cycle.push_back(next);
                return true;
            }
            if (state[next] == 0 && visit(next)) {
                return true;
            }
        }
        path.pop_back();
        state[module] = 2;
        return false;
    };
    for (const auto& entry : uses) {
        if (state[entry.first] == 0 && visit(entry.first)) {
            break;
        }
    }
    return cycle;
}

std::string Joined(const std::vector<std::string>& lines, const char* separator) {
    std::string out;
    for (const std::string& line : lines) {
        out += (out.empty() ? "" : separator) + line;
    }
    return out;
}

TEST(Layering, ThePlugInsIncludesRunOneWay) {
    const std::vector<SourceFile> files = ReadTree(fs::path(KORVANE_SOURCE_DIR) / "src");
    ASSERT_GT(files.size(), 20u);
    EXPECT_EQ(Joined(LayeringFaults(files), "\n"), "");
    EXPECT_EQ(Joined(FirstModuleCycle(files), " -> "), "");
}

// The check itself, on a small tree with one fault of each kind.
TEST(Layering, FindsEachKindOfFault) {
    TempWorkingDirectory dir;
    fs::create_directories(dir.Path() / "config");
    fs::create_directories(dir.Path() / "traffic");
    fs::create_directories(dir.Path() / "extra");
    dir.Write("config/a.h", "#include \"traffic/b.h\"\n");
    dir.Write("config/a.cpp", "#include <string>\n#include \"config/a.h\"\n");
    dir.Write("traffic/b.h", "#include \"sim/host/world.h\"\n");
    dir.Write("traffic/b.cpp", "#include \"traffic/b.h\"\n#include \"config/a.h\"\n");
    dir.Write("traffic/c.cpp", "#include \"traffic/b.h\"\n");
    dir.Write("extra/d.h", "");
    const std::vector<SourceFile> files = ReadTree(dir.Path());
    EXPECT_EQ(LayeringFaults(files),
              (std::vector<std::string>{
                  "config/a.h includes traffic/b.h from a layer above", "extra/d.h is in no layer",
                  "traffic/b.h includes sim/host/world.h from outside the plug-in",
                  "traffic/c.cpp has no header of its own"}));
    EXPECT_EQ(Joined(FirstModuleCycle(files), " -> "), "config/a -> traffic/b -> config/a");
}

}  // namespace
