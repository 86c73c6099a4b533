#pragma once
// What every scenario test does: a scratch folder of its own, vandrax-sim run in it with a script
// on the built data tree, and the state JSON it wrote read back.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace scenario {

namespace fs = std::filesystem;
using nlohmann::json;

// A file's bytes, whole (empty when there is none), and a file written with exactly these bytes.
inline std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void WriteWhole(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class SimFolder {
public:
    explicit SimFolder(const std::string& name) {
        std::string pattern = "/tmp/vandrax-" + name + "-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "cannot make " << pattern;
        dir_ = pattern;
        home_ = dir_ / "home";
    }
    ~SimFolder() { fs::remove_all(dir_); }
    SimFolder(const SimFolder&) = delete;
    SimFolder& operator=(const SimFolder&) = delete;

    const fs::path& Dir() const { return dir_; }
    // The settings folder the runs share (--home): home/ in the folder unless a test moves it.
    fs::path& Home() { return home_; }
    const fs::path& Home() const { return home_; }
    fs::path TraceFile() const { return dir_ / "trace.jsonl"; }

    // Runs the simulator from start-up until `untilMs` with the script's lines and `options`
    // (--seed, --play, ...); returns the state it wrote, with a test failure when it failed or
    // wrote none. `environment` goes before the command ("SDL_VIDEODRIVER=dummy").
    json Run(const std::string& script, uint64_t untilMs, const std::string& options,
             const std::string& environment = "") const {
        return RunAt(script, {untilMs}, options, environment)[0];
    }

    // One run from start-up until the latest of `moments`, and the state at each moment, in the
    // order asked: the latest as --state writes it, the others by --state-at. A moment's state is
    // the one a run of the same script until that moment ends with, so a test looking at several
    // moments of one script needs one run, not one a moment.
    std::vector<json> RunAt(const std::string& script, const std::vector<uint64_t>& moments,
                            const std::string& options, const std::string& environment = "") const {
        std::vector<json> states;
        for (const std::string& text : RunTexts(script, moments, options, environment)) {
            json state = json::parse(text, nullptr, false);
            EXPECT_TRUE(state.is_object()) << "no state in " << text;
            states.push_back(state.is_object() ? state : json());
        }
        return states;
    }

    // As RunAt, the states as the files hold them (empty where none was written).
    std::vector<std::string> RunTexts(const std::string& script, const std::vector<uint64_t>& moments,
                                      const std::string& options, const std::string& environment = "") const {
        const fs::path scriptFile = dir_ / "script.txt";
        std::ofstream(scriptFile) << script;
        const uint64_t untilMs = moments.empty() ? 0 : *std::max_element(moments.begin(), moments.end());
        const fs::path state = dir_ / "state.json";
        fs::remove(state);
        std::ostringstream stateAt;
        for (uint64_t moment : moments) {
            fs::remove(StateAtFile(moment));
            if (moment != untilMs) stateAt << " --state-at " << moment << ":" << StateAtFile(moment).string();
        }
        std::ostringstream command;
        command << environment << " " << VANDRAX_SIM << " --data " << VANDRAX_DATA << " --home " << Home()
                << " --script " << scriptFile << " --until-ms " << untilMs << " --state " << state
                << stateAt.str() << " " << options << " 2>" << (dir_ / "stderr.txt");
        EXPECT_EQ(std::system(command.str().c_str()), 0) << command.str();
        std::vector<std::string> texts;
        for (uint64_t moment : moments) {
            std::ifstream in(moment == untilMs ? state : StateAtFile(moment));
            std::stringstream text;
            text << in.rdbuf();
            texts.push_back(text.str());
            EXPECT_FALSE(texts.back().empty()) << "no state at " << moment << " written by " << command.str();
        }
        Keep(script, moments, untilMs, options, environment);
        return texts;
    }

    // The run's --trace file, one object a frame.
    std::vector<json> Trace() const {
        std::vector<json> frames;
        std::ifstream in(TraceFile());
        for (std::string line; std::getline(in, line);) frames.push_back(json::parse(line));
        return frames;
    }

private:
    fs::path StateAtFile(uint64_t moment) const {
        return dir_ / ("state-at-" + std::to_string(moment) + ".json");
    }

    // With VANDRAX_SCENARIO_KEEP=DIR, each run's outputs (state, the states of its moments, trace,
    // settings file) are copied to DIR/<test>-<n>/ with the command that made them: two builds'
    // runs compared file by file show whether a change altered what the game does.
    void Keep(const std::string& script, const std::vector<uint64_t>& moments, uint64_t untilMs,
              const std::string& options, const std::string& environment) const {
        const char* keep = std::getenv("VANDRAX_SCENARIO_KEEP");
        if (keep == nullptr || *keep == '\0') return;
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name =
            test == nullptr ? "run" : std::string(test->test_suite_name()) + "." + test->name();
        for (char& c : name)
            if (c == '/') c = '_';
        static std::map<std::string, int> runs;  // a test's runs numbered across its folders
        const fs::path to = fs::path(keep) / (name + "-" + std::to_string(runs[name]++));
        fs::create_directories(to);
        std::string command = environment + "\n" + options;  // the scratch folder's name differs run to run
        for (size_t at; (at = command.find(dir_.string())) != std::string::npos;)
            command.replace(at, dir_.string().size(), "DIR");
        std::ostringstream until;  // the moments, when there are several, then the end
        for (uint64_t moment : moments)
            if (moment != untilMs) until << moment << " ";
        std::ofstream(to / "run.txt") << command << "\n" << until.str() << untilMs << "\n" << script;
        std::vector<fs::path> files = {dir_ / "state.json", TraceFile(), Home() / "Config.cfg"};
        for (uint64_t moment : moments)
            if (moment != untilMs) files.push_back(StateAtFile(moment));
        for (const fs::path& file : files)
            if (fs::exists(file))
                fs::copy_file(file, to / file.filename(), fs::copy_options::overwrite_existing);
    }

    fs::path dir_;
    fs::path home_;
};

}  // namespace scenario
