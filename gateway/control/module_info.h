#pragma once

// Identity of the control module: class and library identifiers, ProgIDs, version data,
// the about text and the property page. One place, so registration, the type description
// and the C functions that report them agree.
namespace brantlet_module {

inline constexpr char kLibraryId[] = "{42C94170-3929-4256-A88B-39133A7F90C0}";
inline constexpr char kDispatchId[] = "{7DC7E767-3054-4775-A2D9-6C2AAA2769E2}";
inline constexpr char kEventsId[] = "{5089BABA-8889-42EA-AA39-C35FED8C02B2}";
inline constexpr char kControlClassId[] = "{E9709C8C-02C2-4B31-995C-12DA1BA376CD}";
inline constexpr char kPropPageClassId[] = "{6C9ED712-A3C2-4C66-900F-93AFC87B0E3B}";

inline constexpr char kLibraryName[] = "BRANTLETLib";
inline constexpr char kLibraryVersion[] = "1.0";
inline constexpr char kLibraryHelpString[] = "Brantlet ActiveX Control module";
inline constexpr char kLibraryHelpFile[] = "Brantlet.hlp";
inline constexpr char kTypeLibraryFile[] = "brantlet.typelib.json";

inline constexpr char kControlProgId[] = "BRANTLET.BrantletCtrl.1";
inline constexpr char kControlTypeName[] = "Brantlet Control";
inline constexpr char kPropPageProgId[] = "BRANTLET.BrantletPropPage.1";
inline constexpr char kPropPageTypeName[] = "Brantlet Property Page";
inline constexpr char kThreadingModel[] = "Apartment";
// Recompose on resize, can't link inside, inside-out, activate when visible, set client site first.
inline constexpr unsigned kMiscStatus = 0x20191;
inline constexpr int kToolboxBitmap = 1;

inline constexpr unsigned short kFileVersion[4] = {1, 0, 0, 1};
inline constexpr char kFileVersionText[] = "1.0.0.1";
inline constexpr char kFileDescription[] = "Brantlet ActiveX Control Module";
inline constexpr char kInternalName[] = "Brantlet";
inline constexpr char kOriginalFilename[] = "Brantlet.OCX";

inline constexpr char kAboutTitle[] = "About Brantlet";
inline constexpr char kAboutText[] = "Brantlet Control, Version 1.0\n"
                                     "Copyright (C) 2026 Varnholt. SMS gateway control for product authentication.";

inline constexpr int kPropPageDialog = 200;
inline constexpr char kPropPageCaption[] = "General";
inline constexpr char kPropPageStaticText[] =
    "TODO: Place controls to manipulate properties of Brantlet Control on this dialog.";

} // namespace brantlet_module
