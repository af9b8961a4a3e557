// The debugger output: where the framework writes its one diagnostic (the textGet mismatch).
//
// writeDebugOutput(text): called by debugLog on the panel's calling thread. On Windows the text
// goes to OutputDebugStringA exactly as given; elsewhere it goes to standard error followed by a
// newline. The text is the caller's and is only read during the call.
//
// setDebugOutputSink: tests install a sink to capture the texts instead; nullptr restores the
// platform output. The sink receives the text (valid during the call) and the context pointer.
#pragma once

using debugOutputSink = void (*)(const char* text, void* context);

void writeDebugOutput(const char* text) noexcept;
void setDebugOutputSink(debugOutputSink sink, void* context) noexcept;
