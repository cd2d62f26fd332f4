// Key-path composition for the registry layer: the product-relative paths of
// HKEY_CURRENT_USER and the child paths of a tree walk, always bounded.
#pragma once
#include "platform/core/product_names.h"
#include <cstddef>

// Room a made path needs beyond the caller's path.
constexpr std::size_t KeyPathReserve = 20;

// Builds the path handed to the system. Under the product root (HKEY_CURRENT_USER)
// a path is relative to "Software\Qavrix" unless it begins with a backslash;
// elsewhere it is used as it is. Fails, leaving `output` untouched, when the
// path has more than size - 20 characters.
bool MakeKeyPath(bool productRoot, const char* path, char* output, std::size_t size);

// "parent\name" into `output`; false (output emptied) when it does not fit,
// so a cut path can never name some other key.
bool JoinKeyPath(const char* parent, const char* name, char* output, std::size_t size);
