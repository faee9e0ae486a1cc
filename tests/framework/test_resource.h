// Identifiers of the framework tests' own resources (the program's are in
// app/resource.h and linked beside them).
#ifndef KORVANE_TESTS_FRAMEWORK_TEST_RESOURCE_H
#define KORVANE_TESTS_FRAMEWORK_TEST_RESOURCE_H

#define IDD_SCRIPTED 200
#define IDD_MISSING 299
#define IDC_TEXT 1100
#define IDC_FIRST 1101
#define IDC_SECOND 1102

#endif
