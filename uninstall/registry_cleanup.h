// Removal of the product's registry entries and shell integration on uninstall.
#pragma once

// Gives back associations, unregisters the shell extension, removes the
// shortcuts and deletes the product's registry keys.
void RemoveIntegration();
