#pragma once

// The names under which the plugin's commands are registered and the keys under which its
// commands, dialogs and loaders take their parameters. A host that runs a command or feeds a
// loader spells them with these, so that the two sides cannot drift apart.
//
// The settings of a generic shape read (repairs, unit, whether the settings dialog shows) are
// the host's own: ImportSettingsModel's keys.
namespace orvkit::InteropKeys {

// Commands.
inline constexpr const char* ImportCommand = "Import";
inline constexpr const char* AdvImportCommand = "AdvImport";
inline constexpr const char* ImportAsPartCommand = "ImportAsPart";
inline constexpr const char* ExportModelCommand = "ExportModel";
inline constexpr const char* ExportAssemblyChildrenCommand = "ExportAssemblyChildren";

// "Import": the file its batch form reads (text).
inline constexpr const char* FilePath = "FilePath";
// "AdvImport" and Xde2Doc: split compounds into assemblies (flag, default false).
inline constexpr const char* CreateAssembly = "CreateAssembly";
// "ImportAsPart": the type of the sub-document (text, default "ORVX").
inline constexpr const char* DocType = "DocType";
// Xde2Doc and the "XDE" document exchanger: build per-face colour tables (flag, default true).
inline constexpr const char* UseColor = "UseColor";

// "ExportModel" asks for the axis conventions in this dialog, under the two keys below (0 x-up,
// 1 y-up, 2 z-up).
inline constexpr const char* ExportModelDialog = "ExportModelDlg";
inline constexpr const char* ModelAxisSource = "ModelAxisSource";
inline constexpr const char* ModelAxisTarget = "ModelAxisTarget";

} // namespace orvkit::InteropKeys
