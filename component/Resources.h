#pragma once
#include <cstdint>
#include <string_view>

namespace tarnel {

// Resource ids and the texts the module carries in its resource section.
constexpr std::uint32_t IDR_GAS = 101;        // "REGISTRY": the Gas class's registry script
constexpr std::uint32_t IDR_TYPELIB = 1;      // "TYPELIB": the type library
constexpr std::uint32_t IDS_PROJNAME = 100;   // "STRING": the project name
constexpr std::uint32_t VS_VERSION_INFO = 1;  // "VERSION"

constexpr std::uint32_t kLangEnglishAustralia = 3081;
constexpr std::uint32_t kLangEnglishUS = 1033;

// Tabs for indentation, CR LF after every line, no terminating NUL.
constexpr std::string_view kGasRegistryScript =
    "HKCR\r\n"
    "{\r\n"
    "\tPellonar.Gas.1 = s 'Gas Class'\r\n"
    "\t{\r\n"
    "\t\tCLSID = s '{36C1CFCE-CB93-11D5-9D92-0000E81259B9}'\r\n"
    "\t}\r\n"
    "\tPellonar.Gas = s 'Gas Class'\r\n"
    "\t{\r\n"
    "\t\tCLSID = s '{36C1CFCE-CB93-11D5-9D92-0000E81259B9}'\r\n"
    "\t\tCurVer = s 'Pellonar.Gas.1'\r\n"
    "\t}\r\n"
    "\tNoRemove CLSID\r\n"
    "\t{\r\n"
    "\t\tForceRemove {36C1CFCE-CB93-11D5-9D92-0000E81259B9} = s 'Gas Class'\r\n"
    "\t\t{\r\n"
    "\t\t\tProgID = s 'Pellonar.Gas.1'\r\n"
    "\t\t\tVersionIndependentProgID = s 'Pellonar.Gas'\r\n"
    "\t\t\tForceRemove 'Programmable'\r\n"
    "\t\t\tInprocServer32 = s '%MODULE%'\r\n"
    "\t\t\t{\r\n"
    "\t\t\t\tval ThreadingModel = s 'Apartment'\r\n"
    "\t\t\t}\r\n"
    "\t\t\t'TypeLib' = s '{36C1CFC1-CB93-11D5-9D92-0000E81259B9}'\r\n"
    "\t\t}\r\n"
    "\t}\r\n"
    "}\r\n";

constexpr std::string_view kPellonarTypeLibrary =
    "library PELLONARLib {36C1CFC1-CB93-11D5-9D92-0000E81259B9} 1.0 0 win32 \"Pellonar 1.0 Type "
    "Library\"\n"
    "importlib stdole2.tlb\n"
    "interface IGas {36C1CFCD-CB93-11D5-9D92-0000E81259B9} IDispatch dual oleautomation \"IGas "
    "Interface\"\n"
    "\tpropget 1 MaxIterations I2 \"property MaxIterations\"\n"
    "\tpropput 1 MaxIterations I2 \"property MaxIterations\"\n"
    "\tpropget 2 MinAccuracy R8 \"property MinAccuracy\"\n"
    "\tpropput 2 MinAccuracy R8 \"property MinAccuracy\"\n"
    "\tpropget 3 NumIterations I2 \"property NumIterations\"\n"
    "\tpropget 4 T_degC R8 \"property T_degC\"\n"
    "\tpropput 4 T_degC R8 \"property T_degC\"\n"
    "\tpropget 5 P_barA R8 \"property P_barA\"\n"
    "\tpropput 5 P_barA R8 \"property P_barA\"\n"
    "\tpropget 6 AcentricFactor R8 \"property AcentricFactor\"\n"
    "\tpropput 6 AcentricFactor R8 \"property AcentricFactor\"\n"
    "\tpropget 7 Z R8 \"property Z\"\n"
    "\tpropget 8 Pcrit_barA R8 \"property Pcrit_barA\"\n"
    "\tpropput 8 Pcrit_barA R8 \"property Pcrit_barA\"\n"
    "\tpropget 9 Tcrit_degC R8 \"property Tcrit_degC\"\n"
    "\tpropput 9 Tcrit_degC R8 \"property Tcrit_degC\"\n"
    "\tpropget 10 Tcrit_K R8 \"property Tcrit_K\"\n"
    "\tpropput 10 Tcrit_K R8 \"property Tcrit_K\"\n"
    "\tpropget 11 LiquidVolume R8 \"property LiquidVolume\"\n"
    "\tpropget 12 VapourVolume R8 \"property VapourVolume\"\n"
    "\tpropget 13 T_K R8 \"property T_K\"\n"
    "\tpropput 13 T_K R8 \"property T_K\"\n"
    "coclass Gas {36C1CFCE-CB93-11D5-9D92-0000E81259B9} \"Gas Class\"\n"
    "\tdefault IGas\n";

constexpr std::string_view kProjectName = "Pellonar";

constexpr std::string_view kVersionInfo =
    "FILEVERSION=1,0,0,1\n"
    "PRODUCTVERSION=1,0,0,1\n"
    "CompanyName=\n"
    "FileDescription=Pellonar Module\n"
    "FileVersion=1, 0, 0, 1\n"
    "InternalName=Pellonar\n"
    "OLESelfRegister=\n"
    "OriginalFilename=Pellonar.DLL\n"
    "ProductName=Pellonar Module\n"
    "ProductVersion=1, 0, 0, 1\n"
    "Translation=0x0409,1200\n";

}  // namespace tarnel
