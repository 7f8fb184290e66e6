#pragma once
// Set by the temperature screen's refresh when a temperature leaves its limits; the controller's
// temperature check reads it and its initialisation clears it.
extern int gisTempAlarm;
