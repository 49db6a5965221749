#include "tests/support/Fakes.h"

namespace testsupport {

UpdatePublicKey testPublicKey() {
    return *InstallerSignature::publicKeyFromHex(
        readFile(BLOOMZAP_UPDATE_TEST_KEY_DIR "/update_test_key.pub"));
}

UpdateSecretKey testSecretKey() {
    return *InstallerSignature::secretKeyFromHex(
        readFile(BLOOMZAP_UPDATE_TEST_KEY_DIR "/update_test_key.sec"));
}

} // namespace testsupport
