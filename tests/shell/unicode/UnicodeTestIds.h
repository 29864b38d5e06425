// String-table entries of the wide-string tests' resources.
#pragma once

#define IDS_DIGITS 1001    // "0123456789"
#define IDS_SECOND 1017    // "second block" (another block than IDS_DIGITS)
#define IDS_CYRILLIC 1018  // U+0434 U+0430
#define IDS_MISSING 1019   // no such entry
