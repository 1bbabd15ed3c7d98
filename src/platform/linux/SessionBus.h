#pragma once
// Whether this login has a session message bus, and what the program does when it has
// none. Without one, Qt's accessibility bridge and its notification-area icon ask for
// the session bus anyway, and the bus library then starts its own bus daemon through
// dbus-launch, which stays behind after the program ends. Naming an address the
// library cannot use ("disabled:") keeps it from doing so; programs the mouse's buttons
// start get the environment without it, so that they look for a bus as they would.

#include <string>
#include <vector>

namespace x5k {

inline constexpr char kSessionBusVariable[] = "DBUS_SESSION_BUS_ADDRESS";
inline constexpr char kNoSessionBus[] = "disabled:";

// A bus is there when DBUS_SESSION_BUS_ADDRESS names one, or when the runtime folder
// holds the socket "bus" (where the bus library looks when the variable is unset).
bool SessionBusKnown(const char* address, const char* runtimeDir);

// Sets DBUS_SESSION_BUS_ADDRESS to kNoSessionBus when the process has no session bus.
// Called before any thread starts. Returns true when it did.
bool KeepSessionBusFromStarting();

// `environment` (NAME=VALUE strings, ending with a null pointer) without the
// DBUS_SESSION_BUS_ADDRESS that KeepSessionBusFromStarting set; other entries are kept
// in order. The result ends with a null pointer and points into `environment`.
std::vector<char*> ChildEnvironment(char* const* environment);

}  // namespace x5k
