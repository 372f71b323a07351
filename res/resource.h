#pragma once
// Resource identifiers shared by the program and its resource script.
#define IDI_APP 1
