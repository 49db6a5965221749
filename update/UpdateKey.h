#pragma once

// The maker's public key that installers must be signed with, fixed when the program is built
// (the CMake setting BLOOMZAP_UPDATE_PUBLIC_KEY). Nothing when the build has no key.

#include "update/InstallerSignature.h"

#include <optional>

std::optional<UpdatePublicKey> updatePublicKey();
