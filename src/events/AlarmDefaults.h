// The start-up rebuild of the built-in alarm defaults in the configuration
// tree: the default alarm settings per type, the factory bar colours of the
// diagram, and the completion of the user's bar colours.
#pragma once

#include <string>

class ConfigTree;

// The default mail texts in the current language, with the placeholders
// they are filled with.
std::string DefaultMailSubject();
std::string DefaultMailBody();

// Empties Program/DefaultAlarmSettings and fills it with one entry per code
// of the catalogue order. False when the tree has no such list. With the
// system key iQuietTestMessages 1 (set by a first start) the recorders' test
// messages are stored confirmed, without a window.
bool RebuildDefaultAlarmSettings(ConfigTree& tree);

// Empties the factory colours' AlarmTypeBarkColors and fills it with the 40
// factory bar colours. False when the tree has no such list.
bool RebuildFactoryColors(ConfigTree& tree);

// Appends a factory colour entry to the user's AlarmTypeBarkColors for every
// type that has none there; the user's colours are kept. False when the tree
// has no such list.
bool CompleteUserColors(ConfigTree& tree);

// The three steps above, in that order, as every start runs them after the
// translation is loaded and the saved configuration is read.
bool RebuildAlarmDefaults(ConfigTree& tree);
