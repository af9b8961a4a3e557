// The one constant empty text that every unfilled field of the decoders points at.
//
// It has static lifetime, is never written and never freed, and many fields of many objects point
// at it at once. Readers may therefore read any decoder field without first looking at a count.
#pragma once

extern const char sharedEmptyText[1];
