// The three vehicle model tables: their built-in names, and the step that
// turns a list block of the settings file into table entries.
//
// User entries point into the list text buffers, which the tokenising edits in
// place, so taking a list allocates nothing. An entry left over from an earlier
// read (past the names of a shorter later list) keeps pointing at the same
// place of its buffer, and so reads whatever the re-read text holds there.
//
// Index:
// [SECTION] Built-in names
// [SECTION] User lists
#include "config/model_lists.h"

#include <string>

#include "display/status_text.h"
#include "host/natives.h"
#include "state/plugin_state.h"

//-----------------------------------------------------------------------------
// [SECTION] Built-in names
//-----------------------------------------------------------------------------

// Exactly as they have always shipped: case and duplicates are part of the
// contents.
const char* const BuiltInFullModelList[] = {
    "asea",         "asterope",   "bagger",    "baller",      "baller2",      "banshee",
    "barracks",     "barracks2",  "bati",      "bati2",       "benson",       "bfinjection",
    "biff",         "bison",      "bison2",    "bison3",      "bjxl",         "blazer",
    "blazer2",      "blazer3",    "blista",    "bmx",         "bobcatxl",     "bodhi2",
    "boxville",     "boxville2",  "boxville3", "buccaneer",   "buffalo",      "buffalo2",
    "bulldozer",    "bullet",     "burrito",   "burrito2",    "burrito3",     "burrito4",
    "bus",          "caddy",      "caddy2",    "camper",      "carbonizzare", "carbonrs",
    "cavalcade",    "cavalcade2", "cheetah",   "coach",       "cogcabrio",    "comet2",
    "coquette",     "cruiser",    "crusader",  "daemon",      "dilettante",   "dilettante2",
    "docktug",      "dominator",  "double",    "dubsta",      "dubsta2",      "dump",
    "dune",         "dune2",      "asea2",     "elegy2",      "emperor",      "emperor2",
    "emperor3",     "entityxf",   "exemplar",  "f620",        "faggio2",      "fbi",
    "fbi2",         "felon",      "felon2",    "feltzer2",    "firetruk",     "fixter",
    "flatbed",      "fq2",        "fugitive",  "fusilade",    "futo",         "gauntlet",
    "gburrito",     "granger",    "gresley",   "habanero",    "hauler",       "hexer",
    "hotknife",     "infernus",   "ingot",     "intruder",    "issi2",        "jackal",
    "jb700",        "journey",    "khamelion", "landstalker", "lguard",       "manana",
    "mesa",         "mesa2",      "mesa3",     "minivan",     "mixer",        "mixer2",
    "monroe",       "mower",      "mule",      "mule2",       "nemesis",      "ninef",
    "ninef2",       "oracle",     "oracle2",   "packer",      "patriot",      "pbus",
    "pcj",          "penumbra",   "peyote",    "phantom",     "phoenix",      "picador",
    "police",       "police2",    "police3",   "police4",     "policeb",      "police4",
    "police4",      "policet",    "pony",      "pony2",       "pounder",      "prairie",
    "pranger",      "premier",    "primo",     "rancherxl",   "rancherxl2",   "rapidgt",
    "rapidgt2",     "ratloader",  "rebel",     "rebel2",      "regina",       "rentalbus",
    "rhino",        "riot",       "ripley",    "rocoto",      "romero",       "ruffian",
    "ruiner",       "rumpo",      "rumpo2",    "sabregt",     "sadler",       "sadler2",
    "sanchez",      "sanchez2",   "sandking",  "sandking2",   "schafter2",    "schwarzer",
    "scorcher",     "scrap",      "seminole",  "sentinel",    "sentinel2",    "serrano",
    "sheriff",      "sheriff2",   "speedo",    "speedo2",     "stanier",      "stinger",
    "stingergt",    "stockade",   "stockade3", "stratum",     "stretch",      "sultan",
    "brawler",      "superd",     "surano",    "surfer",      "surfer2",      "surge",
    "taco",         "tailgater",  "taxi",      "tornado",     "tornado2",     "tornado3",
    "tornado4",     "tourbus",    "towtruck",  "towtruck2",   "tractor",      "tractor2",
    "trash",        "tribike",    "tribike2",  "tribike3",    "utillitruck",  "utillitruck2",
    "utillitruck3", "vacca",      "vader",     "velum",       "vigero",       "voltic",
    "voodoo2",      "washington", "youga",     "zion",        "zion2",        "ztype",
    "bifta",        "kalahari",   "paradise",  "buffalo3",    "btype",        "jester",
    "turismor",     "alpha",      "vestra",    "massacro",    "zentorno",     "huntley",
    "thrust",       "rhapsody",   "warrener",  "blade",       "glendale",     "panto",
    "dubsta3",      "pigalle",    "monster",   "sovereign",   "coquette2",    "brawler",
    "hakuchou",     "furoregt",   "jester2",   "massacro2",   "ratloader2",   "slamvan",
    "mule3",        "boxville4",  "insurgent", "insurgent2",  "gburrito2",    "technical",
    "enduro",       "guardian",   "lectro",    "kuruma",      "kuruma2",      "trash2",
    "barracks3",    "slamvan2",   "marshall",  "dukes2",      "Blista3",      "Blista2",
    "buffalo3",     "dukes",      "stalion",   "stalion2",    "dominator2",
};

const char* const BuiltInSmallModelList[] = {
    "sandking2", "schafter2", "scorcher",  "scrap",    "lectro",   "kuruma",    "kuruma2",
    "trash2",    "slamvan2",  "marshall",  "sentinel", "cheetah",  "coach",     "cogcabrio",
    "comet2",    "coquette",  "cruiser",   "daemon",   "oracle2",  "packer",    "patriot",
    "pbus",      "pcj",       "penumbra",  "peyote",   "phantom",  "phoenix",   "bmx",
    "bobcatxl",  "bodhi2",    "boxville2", "btype",    "turismor", "alpha",     "massacro",
    "zentorno",  "huntley",   "thrust",    "rhapsody", "warrener", "stockade3", "stretch",
    "sultan",    "brawler",   "superd",    "granger",  "gresley",  "entityxf",  "hotknife",
    "infernus",
};

const char* const BuiltInPoliceModelList[] = {
    "police4", "fbi2", "fbi",     "pranger", "police", "sheriff", "sheriff2",
    "police4", "riot", "fbi",     "police4", "fbi2",   "fbi",     "police4",
    "fbi2",    "fbi",  "police4", "fbi2",    "fbi",    "police4",
};

static_assert(sizeof(BuiltInFullModelList) / sizeof(BuiltInFullModelList[0]) == FullModelListSize,
              "the full list has 275 built-in names");
static_assert(sizeof(BuiltInSmallModelList) / sizeof(BuiltInSmallModelList[0]) ==
                  SmallModelListSize,
              "the small list has 50 built-in names");
static_assert(sizeof(BuiltInPoliceModelList) / sizeof(BuiltInPoliceModelList[0]) ==
                  PoliceModelListSize,
              "the police list has 20 built-in names");

void FillBuiltInModelLists() {
    for (int i = 0; i < FullModelListSize; i++) {
        Plugin.FullModelList[i] = BuiltInFullModelList[i];
    }
    for (int i = 0; i < SmallModelListSize; i++) {
        Plugin.SmallModelList[i] = BuiltInSmallModelList[i];
    }
    for (int i = 0; i < PoliceModelListSize; i++) {
        Plugin.PoliceModelList[i] = BuiltInPoliceModelList[i];
    }
}

//-----------------------------------------------------------------------------
// [SECTION] User lists
//-----------------------------------------------------------------------------

namespace {

// Only these separate names: a tab, a carriage return or a semicolon inside
// the text is part of a name, and the host is asked about it as written.
bool IsNameDelimiter(char c) {
    return c == '\n' || c == ' ' || c == ',';
}

}  // namespace

void LoadUserModelList(char* text, ModelListKind which) {
    const char** table =
        which == ModelListKind::Full ? Plugin.FullModelList : Plugin.SmallModelList;
    int capacity = which == ModelListKind::Full ? FullModelListSize : SmallModelListSize;
    const char* invalidMessage = which == ModelListKind::Full ? "Invalid (full list) vehicle:\n"
                                                              : "Invalid (small list) vehicle:\n";
    int index = 0;
    char* cursor = text;
    while (index < capacity) {
        while (*cursor != '\0' && IsNameDelimiter(*cursor)) {
            cursor++;
        }
        if (*cursor == '\0') {
            break;
        }
        char* name = cursor;
        while (*cursor != '\0' && !IsNameDelimiter(*cursor)) {
            cursor++;
        }
        if (*cursor != '\0') {
            *cursor = '\0';
            cursor++;
        }
        table[index] = name;
        if (!game::IsModelValid(game::GetHashKey(name))) {
            SetStatusText(invalidMessage, name);
        }
        index++;
    }
    Plugin.LastSettingsRead.ListNamesTaken = index;
}
