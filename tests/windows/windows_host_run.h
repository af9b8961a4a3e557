// runWindowsHost: the whole Windows host test (see windows_host_run.cpp). Called once by the
// process entry point, which exits with the status it returns: 0 when every check passed.
#pragma once

int runWindowsHost();
