// front_end: zeth-host's command line.
//
//   zeth-host [OPTIONS]                      runs the built-in demo
//   zeth-host run [OPTIONS] [SCENARIO...]    runs scenario files (none: the demo), each in a
//                                            process of its own (scenario_batch.h); also
//                                            --junit FILE, --report github, --coverage
//   zeth-host shell [OPTIONS]                the scenario language, interactively
//   zeth-host validate [OPTIONS]             checks a plug-in against the host contract
//                                            (plugin_checks.h); also --only ID..., --list,
//                                            --seed N, --messages N, --timeout S,
//                                            --config FILE, --repeat N, --only-failed,
//                                            --junit FILE, --report github,
//                                            --scenario-folder DIR, --strict
//   zeth-host help [TOPIC]                   the references (help_topics.h); needs no plug-in
//   zeth-host serve [OPTIONS] [SCENARIO...]  the desks in a browser (serve_command.h); also
//                                            --port N (default 8270), --bind ADDRESS (default
//                                            127.0.0.1), --virtual, --no-watch (watching the
//                                            plug-in for rebuilds is the default),
//                                            --scenario-folder DIR (default .)
//
// Options: --facility FILE, --plugin FILE, --panel-path DIR, --panels N, --realtime, --json.
// Exit status: 0 when every expectation was met and no contract was broken, 1 when one was not,
// 2 when the run could not start (bad options, files or plug-in).
#pragma once

int runFrontEnd(int argc, char** argv);
