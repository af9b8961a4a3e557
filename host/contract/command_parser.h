// command_parser: reads a command text from a panel into its name and typed arguments, and says
// precisely what is wrong with a text that is not a command the host knows.
//
// The wire form: two capital letters, then each argument after exactly one space; a text
// argument in single quotes, a number bare in decimal (a minus sign when negative, no leading
// zeros, within 32 bits). Texts are not escaped: a text argument ends at the first quote that is
// followed by a space or by the end of the command, so quotes inside a text survive unless a
// space follows them.
//
//   CD 'panel' 'control'            CE 'panel' 'control'
//   TP 'property=value' 'panel' 'control'
//   TG 'panel' 'control' 'property' PS 'panel' 'file' ['extra']
//   SD 'name'                       RN device database index
//   RC device source destination ',suffix' flag(0|1)
//   RR device first last ['ADD']    RP device first last
//   ET timer [interval > 0]         AS
#pragma once

#include "violation_kind.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct host_command {
    std::string name;                  // the two letters, such as "RC"
    std::vector<std::string> texts;    // the quoted arguments, in order, without their quotes
    std::vector<std::int32_t> numbers; // the numeric arguments, in order
};

struct command_parse {
    std::optional<host_command> command; // set when the text is a well-formed known command
    violation_kind problemKind = violation_kind::malformedCommand; // otherwise: unknown/malformed
    std::string problem;                                           // and what is wrong, in words
};

command_parse parseCommand(const std::string& text);

// The two letters of every command the host knows, in alphabetical order.
std::vector<std::string> commandVocabulary();
