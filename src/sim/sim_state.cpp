#include "sim/sim_state.h"

#include <cxxabi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <typeinfo>

#include "sim/json_text.h"

std::string ClassName(const TSprite& sprite) {
    const char* mangled = typeid(sprite).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled != nullptr ? demangled : mangled;
    std::free(demangled);
    return name;
}

namespace {

using Write = void (*)(std::ostream& j, const StateSources& s);

// A field of the state: its name, how its value is written, and its place in the trace line
// (0: the state file only).
struct Field {
    const char* name;
    Write write;
    int traceOrder = 0;
};

const char* Flag(bool b) {
    return b ? "true" : "false";
}

std::string Color(uint32_t rgb) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%06X", rgb & 0xFFFFFF);
    return buffer;
}

void List(std::ostream& j, const std::vector<std::string>& items) {
    j << "[";
    for (size_t i = 0; i < items.size(); ++i) j << (i ? ", " : "") << JsonString(items[i]);
    j << "]";
}

// The game's own fields by their member: a flag, a whole number, a real number, a text.
template <auto Member>
void Bool(std::ostream& j, const StateSources& s) {
    j << Flag(s.form.*Member);
}
template <auto Member>
void Whole(std::ostream& j, const StateSources& s) {
    j << +(s.form.*Member);  // a byte-sized number as a number, not a character
}
template <auto Member>
void Real(std::ostream& j, const StateSources& s) {
    j << Num(s.form.*Member);
}
template <auto Member>
void Text(std::ostream& j, const StateSources& s) {
    j << JsonString(s.form.*Member);
}

using G = GameState;
using F = TMainForm;

// The state file's fields in the order it writes them.
const Field kFields[] = {
    {"ScreenState", [](std::ostream& j, const StateSources& s) { j << static_cast<int>(s.form.ScreenState); },
     1},
    {"Score", Whole<&G::Score>, 3},
    {"Level", Whole<&G::Level>, 2},
    {"Lives", Whole<&G::Lives>, 4},
    {"Health", Real<&G::Health>, 5},
    {"Speed", Real<&G::Speed>, 6},
    {"Distance", Whole<&G::Distance>, 7},
    {"LevelLength", Whole<&G::LevelLength>},
    {"Clan", Whole<&G::Clan>},
    {"Driving", Bool<&G::Driving>, 9},
    {"Paused", Bool<&G::Paused>, 10},
    {"Demo", Bool<&G::Demo>},
    {"attractRuns", [](std::ostream& j, const StateSources& s) { j << s.form.Attract.Runs(); }},
    {"gamesStarted", Whole<&F::GamesStarted>},
    {"GameFullScreen", Bool<&G::GameFullScreen>},
    {"GameSound", Bool<&G::GameSound>},
    {"GameMusic", Bool<&G::GameMusic>},
    {"GameMainExit", Bool<&G::GameMainExit>, 12},
    {"GameEnterName", Bool<&G::GameEnterName>},
    {"GameSendResult", Bool<&G::GameSendResult>},
    {"GamegoEdit", Bool<&G::GamegoEdit>},
    {"GameClearHighScore", Bool<&G::GameClearHighScore>},
    {"caption", [](std::ostream& j, const StateSources& s) { j << JsonString(s.window.Caption()); }},
    {"fullScreenWindow", [](std::ostream& j, const StateSources& s) { j << Flag(s.window.IsFullScreen()); }},
    {"pointer",
     [](std::ostream& j, const StateSources& s) {
         static const char* const kPointers[] = {"none", "arrow", "hand", "ibeam"};
         j << "\"" << kPointers[static_cast<int>(s.window.pointer)] << "\"";
     }},
    {"pointerWarps",
     [](std::ostream& j, const StateSources& s) {
         const auto& warps = s.window.warps;
         j << "[";
         for (size_t i = 0; i < warps.size(); ++i)
             j << (i ? ", " : "") << "[" << warps[i].first << ", " << warps[i].second << "]";
         j << "]";
     }},
    {"MouseX", Whole<&G::MouseX>},
    {"MouseY", Whole<&G::MouseY>},
    {"HelpPage", Whole<&G::HelpPage>},
    {"CountryName", Text<&G::CountryName>},
    {"PlayerName", Text<&G::PlayerName>},
    {"highScores",
     [](std::ostream& j, const StateSources& s) {
         const auto& table = s.form.HighScores;
         j << "[";
         for (size_t i = 0; i < table.size(); ++i)
             j << (i ? ", " : "") << "{\"name\": " << JsonString(table[i].Name)
               << ", \"score\": " << table[i].Score << "}";
         j << "]";
     }},
    {"music",
     [](std::ostream& j, const StateSources& s) {
         const std::string& name = s.form.Audio.MusicName;
         j << (name.empty() ? "null" : JsonString(name));
     }},
    {"musicOrder", [](std::ostream& j, const StateSources& s) { j << s.form.Audio.LastMusicOrder; }},
    {"soundsPlayed", [](std::ostream& j, const StateSources& s) { List(j, s.sounds); }},
    {"errors", [](std::ostream& j, const StateSources& s) { List(j, s.form.Errors); }},
    {"messages", [](std::ostream& j, const StateSources& s) { List(j, s.window.messages); }},
    {"linksOpened", [](std::ostream& j, const StateSources& s) { List(j, s.online.linksOpened); }},
    {"httpRequests",
     [](std::ostream& j, const StateSources& s) {
         const auto& requests = s.online.requests;
         j << "[";
         for (size_t i = 0; i < requests.size(); ++i)
             j << (i ? ", " : "") << "{\"method\": " << JsonString(requests[i].method)
               << ", \"url\": " << JsonString(requests[i].url)
               << ", \"outcome\": " << JsonString(requests[i].outcome)
               << ", \"status\": " << requests[i].status << ", \"bodyBytes\": " << requests[i].bodyBytes
               << "}";
         j << "]";
     }},
    {"watching", [](std::ostream& j, const StateSources& s) { j << Flag(s.form.Watching()); }},
    {"replaysKept",
     [](std::ostream& j, const StateSources& s) {
         std::vector<std::string> names;
         for (const KeptGame& game : s.form.Kept().Games()) names.push_back(game.file.filename().string());
         List(j, names);
     }},
    {"tableReplays",
     [](std::ostream& j, const StateSources& s) {
         const auto files = s.form.Kept().RowFiles(s.form.HighScores);
         j << "[";
         for (size_t i = 0; i < files.size(); ++i)
             j << (i ? ", " : "") << JsonString(files[i].filename().string());
         j << "]";
     }},
    {"packsLoaded", [](std::ostream& j, const StateSources& s) { List(j, s.form.PacksLoaded); }},
    {"soundPackLoads", Whole<&F::SoundPackLoads>},
    {"sprites",
     [](std::ostream& j, const StateSources& s) {
         std::map<std::string, int> classes;
         TSpriteEngine& root = s.form.SpriteEngine.Engine();
         for (int32_t i = 0; i < root.ChildCount(); ++i) ++classes[ClassName(*root.ChildAt(i))];
         j << "{";
         bool first = true;
         for (const auto& [name, count] : classes) {
             j << (first ? "" : ", ") << JsonString(name) << ": " << count;
             first = false;
         }
         j << "}";
     }},
    {"timers",
     [](std::ostream& j, const StateSources& s) {
         j << "{\"Timer1\": " << Flag(s.form.Timer1.Enabled())
           << ", \"frameTimer\": " << Flag(s.form.DXTimer.Running()) << "}";
     }},
    // The rest of the game state, by its names.
    {"PlayerX", Real<&G::PlayerX>, 8},
    {"PlayerY", Real<&G::PlayerY>},
    {"MaxSpeed", Real<&G::MaxSpeed>},
    {"Acceleration", Whole<&G::Acceleration>},
    {"HasWeapon", Bool<&G::HasWeapon>},
    {"WeaponKind", Whole<&G::WeaponKind>},
    {"Ammo", Whole<&G::Ammo>},
    {"ShotInFlight", Bool<&G::ShotInFlight>},
    {"NitroOn", Bool<&G::NitroOn>},
    {"NitroSeconds", Whole<&G::NitroSeconds>},
    {"SpeedBeforeNitro", Whole<&G::SpeedBeforeNitro>},
    {"LevelIntro", Bool<&G::LevelIntro>, 11},
    {"TruckArrived", Bool<&G::TruckArrived>},
    {"PoliceChase", Bool<&G::PoliceChase>},
    {"Arrested", Bool<&G::Arrested>},
    {"PoliceHealth", Whole<&G::PoliceHealth>},
    {"PoliceCarPresent", Bool<&G::PoliceCarPresent>},
    {"PolicePostPresent", Bool<&G::PolicePostPresent>},
    {"SignPresent", Bool<&G::SignPresent>},
    {"StartBlink", Bool<&G::StartBlink>},
    {"GameOverPending", Bool<&G::GameOverPending>},
    {"gameTimers",
     [](std::ostream& j, const StateSources& s) {
         j << "{\"Timer_Level\": " << Flag(s.form.Timer_Level.Enabled())
           << ", \"Timer_Nitro\": " << Flag(s.form.Timer_Nitro.Enabled())
           << ", \"Timer_police\": " << Flag(s.form.Timer_police.Enabled()) << "}";
     }},
    {"hud",
     [](std::ostream& j, const StateSources& s) {
         j << "[";
         for (size_t i = 0; i < s.form.Hud.size(); ++i) {
             const GameState::HudText& t = s.form.Hud[i];
             j << (i ? ", " : "") << "{\"text\": " << JsonString(t.text) << ", \"x\": " << t.x
               << ", \"y\": " << t.y << ", \"size\": " << t.size << ", \"color\": \"" << Color(t.color)
               << "\", \"width\": " << s.surface.TextWidth(s.form.TextFontName, t.size, t.text) << "}";
         }
         j << "]";
     }},
    {"maxSprites", [](std::ostream& j, const StateSources& s) { j << s.figures.maxSprites; }},
    {"sdlPadEvents", [](std::ostream& j, const StateSources& s) { j << s.figures.sdlPadEvents; }},
    {"rssKb",
     [](std::ostream& j, const StateSources& s) {
         const std::vector<long>& rss = s.figures.rssKb;
         j << "[";
         for (size_t i = 0; i < rss.size(); ++i) j << (i ? ", " : "") << rss[i];
         j << "]";
     }},
    {"exited", [](std::ostream& j, const StateSources& s) { j << Flag(s.exited); }},
    {"frames", Whole<&F::FramesDrawn>},
};

// The trace's fields, in the order of their marks.
std::vector<const Field*> TraceFields() {
    std::vector<const Field*> fields;
    for (const Field& field : kFields)
        if (field.traceOrder != 0) fields.push_back(&field);
    std::sort(fields.begin(), fields.end(),
              [](const Field* a, const Field* b) { return a->traceOrder < b->traceOrder; });
    return fields;
}

}  // namespace

std::string StateJson(const StateSources& sources) {
    std::ostringstream j;
    j << "{\n";
    bool first = true;
    for (const Field& field : kFields) {
        j << (first ? "" : ",\n") << "  \"" << field.name << "\": ";
        field.write(j, sources);
        first = false;
    }
    j << "\n}\n";
    return j.str();
}

void WriteTraceLine(std::ostream& out, const StateSources& sources, uint64_t ms,
                    const std::vector<std::string>& frameSounds) {
    static const std::vector<const Field*> kTraceFields = TraceFields();
    out << "{\"frame\": " << sources.form.FramesDrawn << ", \"ms\": " << ms;
    for (const Field* field : kTraceFields) {
        out << ", \"" << field->name << "\": ";
        field->write(out, sources);
    }
    out << ", \"sounds\": ";
    List(out, frameSounds);
    out << "}\n";
}
