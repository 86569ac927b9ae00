// The three vehicle model lists.
#pragma once

enum class ModelListKind { Full, Small };

// Fills the three tables with their built-in names (at ScriptMain start).
void FillBuiltInModelLists();

// Splits `text` in place at newline, space and comma and stores the names in
// the full or small table, checking each with the host.
void LoadUserModelList(char* text, ModelListKind which);

// The built-in contents, for tools and tests.
extern const char* const BuiltInFullModelList[];
extern const char* const BuiltInSmallModelList[];
extern const char* const BuiltInPoliceModelList[];
