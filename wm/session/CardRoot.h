#pragma once
// The root certificate that the credential records on cards must chain to.
// A site names its own: the DER file in QX_CARD_ROOT_CERT, else
// "login/cardroot.der" of the system registry (never the user's); without
// either the built-in certificate stands. A named certificate that cannot
// be used lets no card record verify.
#include <string>

struct CardVerifier;

// Sets the verifier's root; returns what was used ("built-in", or the
// file's path) and, for an unusable file, why in *error.
std::string LoadCardRootCertificate(CardVerifier* verifier, std::string* error);
