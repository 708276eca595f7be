#pragma once

// Turns runtime-level fatal conditions (signals, pure calls, invalid runtime
// arguments) into non-continuable structured exceptions that reach the host.
// Installed once, before any service runs; does nothing outside Windows.
void install_fatal_handlers();

// The structured exception codes raised.
inline constexpr unsigned long fatal_signal_code = 0x6F8E1DC8ul;
inline constexpr unsigned long fatal_pure_call_code = 0xF6538887ul;
inline constexpr unsigned long fatal_invalid_parameter_code = 0xD142B808ul;
