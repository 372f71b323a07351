#!/usr/bin/env bash
# tools/package.sh signs the program with the certificate it is given before
# zipping it, and packs it unsigned without one. A throwaway certificate signs
# it here, and osslsigncode checks the signature against it alone.
#   signing_test.sh SOURCE_ROOT I686_BUILD SCRATCH VERSION
set -uo pipefail
root="$1" build="$2" scratch="$3" version="$4"
rm -rf "$scratch" && mkdir -p "$scratch" && cd "$scratch" || exit 1
password='pa$$ wörd "x"'  # must reach osslsigncode as it is, shell characters and all
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Quillbeck Test Signer" \
  -addext extendedKeyUsage=codeSigning -keyout key.pem -out cert.pem 2>/dev/null &&
  openssl pkcs12 -export -inkey key.pem -in cert.pem -passout "pass:$password" -out signer.pfx || exit 1

failed=0
check() {  # what [!] command... -> the command succeeds (with !: fails)
  local what="$1" want=0 status=0
  shift
  [ "$1" != "!" ] || { want=1; shift; }
  "$@" >/dev/null 2>&1 || status=1
  ((status == want)) || { echo "FAILED: $what"; failed=1; }
}
pack() {  # folder [QB_SIGN_...=value...] -> packs into folder, log in folder.log
  env -u QB_SIGN_PFX -u QB_SIGN_PASSWORD -u QB_SIGN_TIMESTAMP "${@:2}" QB_PACKAGE_BUILD="$build" \
    QB_PACKAGE_OUT="$scratch/$1" bash "$root/tools/package.sh" >"$1.log" 2>&1 &&
    unzip -q "$1/Quillbeck-$version.zip" Quillbeck.exe -d "$1"
}

check "packing with the certificate" pack signed QB_SIGN_PFX=signer.pfx "QB_SIGN_PASSWORD=$password"
check "the zipped program's signature verifies" osslsigncode verify -CAfile cert.pem -in signed/Quillbeck.exe
check "the signed program passes the import and version checks" \
  python3 "$root/tests/imports/check_imports.py" --version "$version" signed/Quillbeck.exe
check "packing without a certificate" pack unsigned
check "the program packed without one holds no signature" ! osslsigncode verify -in unsigned/Quillbeck.exe
check "packing says the program is unsigned" grep -q "Quillbeck.exe is unsigned" unsigned.log
check "packing with a wrong password fails" ! pack wrong QB_SIGN_PFX=signer.pfx "QB_SIGN_PASSWORD=pa\$\$ word"
check "a wrong password leaves no zip" test ! -e "wrong/Quillbeck-$version.zip"
check "a wrong password is named" grep -q "could not sign" wrong.log
((failed == 0)) && echo "signed, unsigned and refused packages as expected"
