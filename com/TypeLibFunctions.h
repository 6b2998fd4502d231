#pragma once
#include <string>

#include "com/ITypeLib.h"

namespace tarnel {

// Loads the type library of a module (its "TYPELIB" resource 1) or of a
// type-library text file. TYPE_E_CANTLOADLIBRARY when the file cannot be read
// or holds no valid library.
HRESULT LoadTypeLib(const std::string& path, ITypeLib** pptlib);

// Records the library under HKEY_CLASSES_ROOT\TypeLib\{LIBID}\MAJOR.MINOR with
// its path and help folder, and each automation interface under
// HKEY_CLASSES_ROOT\Interface\{IID}.
HRESULT RegisterTypeLib(ITypeLib* ptlib, const std::string& fullPath, const std::string& helpDir);

// Removes what RegisterTypeLib recorded; TYPE_E_REGISTRYACCESS when the
// version was not registered.
HRESULT UnRegisterTypeLib(REFGUID libID, WORD wVerMajor, WORD wVerMinor, LCID lcid,
                          SYSKIND syskind);

// Loads the registered library: the exact version, else the highest minor
// version above it with the same major; the locale's entry, else locale 0.
// TYPE_E_LIBNOTREGISTERED when none is registered.
HRESULT LoadRegTypeLib(REFGUID rguid, WORD wVerMajor, WORD wVerMinor, LCID lcid, ITypeLib** pptlib);

}  // namespace tarnel
