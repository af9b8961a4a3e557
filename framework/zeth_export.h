// ZETH_EXPORT marks the plug-in's one export. Everything else is built with hidden visibility
// (and, on ELF, also hidden by the plug-in's linker version script), so only what carries this
// mark is visible to the host.
#pragma once

#if defined(_WIN32)
#define ZETH_EXPORT __declspec(dllexport)
#else
#define ZETH_EXPORT __attribute__((visibility("default")))
#endif
