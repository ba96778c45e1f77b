// The public half of tools/update_test_signing_key.pem, the key the demo
// site signs its setup programs with.
#pragma once

#include "app/update/update_signature.h"

const UpdatePublicKey& TestUpdateKey();
