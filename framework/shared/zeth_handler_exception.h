// zeth_handler_exception: the one debug-output line the panel framework writes when an exception
// leaves one of a panel's handlers, which the framework catches at the host boundary (the host
// gets null for that message). The framework composes it (zeth_script_helper); a host that reads
// the panel's debug output, as zeth-host does, recognises it by its prefix and reports the
// handler's failure (the violation exception-in-handler). The form, exactly, with no line end:
//
//     exception in handler HANDLER (message code CODE): TEXT
//
// HANDLER is the handler that was running (onRevertive, onButton, onQuery, onTimer, onHostEvent6,
// onHostEvent7, onListPick, onClick; "notify" for the framework's own work around them, such as
// copying a query's answer), CODE the message code of the host's call in decimal, and TEXT the
// exception's what(), cut at zethHandlerExceptionTextLimit bytes, or zethHandlerExceptionUnknown
// for an exception that is no std::exception.
#pragma once

#include <cstddef>

inline constexpr char zethHandlerExceptionPrefix[] = "exception in handler ";
inline constexpr std::size_t zethHandlerExceptionTextLimit = 400;
inline constexpr char zethHandlerExceptionUnknown[] = "an exception that is not a std::exception";
