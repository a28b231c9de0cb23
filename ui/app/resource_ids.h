// The numbers of what the plug-in takes from the language library: its strings, its dialog templates
// and their controls, its images, and the host's command ids the plug-in answers. Every dialog and
// test names them from here; the numbers are the language library's and must not change.
#pragma once

#include <cstdint>

namespace orvel::ui {

// --- Strings

// The product and the about box.
inline constexpr uint32_t kVersionLabelText = 101;  // "<product> version", before the file's version
inline constexpr uint32_t kProductTitleText = 112;  // two lines: the maker, the product

// The main view and its file commands.
inline constexpr uint32_t kSettingsFileHeaderText = 125;
inline constexpr uint32_t kSaveChangesQuestionText = 387;
inline constexpr uint32_t kNoLogText = 593;
inline constexpr uint32_t kOpenFailedText = 597;
inline constexpr uint32_t kNotSettingsFileText = 598;
inline constexpr uint32_t kSaveFailedText = 599;
inline constexpr uint32_t kSettingsCorrectedText = 600;
inline constexpr uint32_t kUntitledText = 605;
inline constexpr uint32_t kSaveAsTitleText = 61441;

// The names of file types in the file dialogs' filters.
inline constexpr uint32_t kSoftwarePackagesFilterText = 501;
inline constexpr uint32_t kImagesFilterText = 502;
inline constexpr uint32_t kAllFilesFilterText = 503;
inline constexpr uint32_t kBookmarkFilesFilterText = 504;
inline constexpr uint32_t kSettingsFilesFilterText = 505;

// The settings tree and its editors.
inline constexpr uint32_t kPasswordMismatchText = 471;
inline constexpr uint32_t kInvalidValueText = 472;

// The long-text editor's captions.
inline constexpr uint32_t kLoginScriptCaptionText = 475;
inline constexpr uint32_t kSignatureCaptionText = 476;

// Sending: the send dialog, the progress texts and the question dialog.
inline constexpr uint32_t kOkAnswerText = 291;
// The engine could not be created, was lost, or could not carry out a request.
inline constexpr uint32_t kEngineFailedText = 486;
inline constexpr uint32_t kDeviceInUseText = 487;
inline constexpr uint32_t kNotAvailableText = 489;
inline constexpr uint32_t kAlreadyOnDeviceQuestionText = 492;
inline constexpr uint32_t kApplyingText = 494;
inline constexpr uint32_t kPleaseWaitText = 495;
inline constexpr uint32_t kCopyingText = 496;
inline constexpr uint32_t kInstallingText = 508;
inline constexpr uint32_t kSameForAllSettingsText = 546;
inline constexpr uint32_t kSameForAllFilesText = 565;
inline constexpr uint32_t kPreparingText = 581;
inline constexpr uint32_t kCancellingText = 595;

// Messages for the engine's result codes.
inline constexpr uint32_t kCancelledText = 513;
inline constexpr uint32_t kFileUnreadableText = 514;
inline constexpr uint32_t kRefusedSettingText = 519;  // names the setting and its value
inline constexpr uint32_t kOutOfMemoryText = 521;
inline constexpr uint32_t kFileNotFoundText = 566;
inline constexpr uint32_t kInvalidPathText = 567;
inline constexpr uint32_t kDiskFullText = 569;
inline constexpr uint32_t kDeviceNoResponseText = 570;
inline constexpr uint32_t kDeviceRefusedText = 571;
inline constexpr uint32_t kOperationFailedText = 575;
inline constexpr uint32_t kConnectProgramErrorText = 576;
inline constexpr uint32_t kNoDeviceText = 578;
inline constexpr uint32_t kDeviceInfoFailedText = 582;
inline constexpr uint32_t kTransferFailedText = 583;
inline constexpr uint32_t kDeviceFileFailedText = 590;
inline constexpr uint32_t kFileReadOnlyText = 594;
inline constexpr uint32_t kServerError508Text = 614;
inline constexpr uint32_t kServerError530Text = 615;
inline constexpr uint32_t kServerError531Text = 616;
inline constexpr uint32_t kRefusedSettingPlainText = 617;  // the same without a setting's name
inline constexpr uint32_t kServerError517Text = 621;

// Printing and the print preview.
inline constexpr uint32_t kPrintDocumentNameText = 316;
inline constexpr uint32_t kPrintPreviewTitleText = 506;
inline constexpr uint32_t kPageNumberText = 507;
inline constexpr uint32_t kPrintConnectionText = 618;
inline constexpr uint32_t kPrintUserNameText = 619;
inline constexpr uint32_t kPrintPasswordText = 620;
inline constexpr uint32_t kNoPrinterText = 650;
inline constexpr uint32_t kPageTooSmallText = 651;

// Bookmark lists, their entries and the bookmark import.
inline constexpr uint32_t kBookmarkNameHeadingText = 115;
inline constexpr uint32_t kBookmarkUrlHeadingText = 116;
inline constexpr uint32_t kWapBookmarksCaptionText = 389;
inline constexpr uint32_t kWebBookmarksCaptionText = 418;
inline constexpr uint32_t kNoConnectionsDefinedText = 443;
inline constexpr uint32_t kBookmarkFileHeadingText = 510;
inline constexpr uint32_t kNoNetscapeBookmarksText = 540;
inline constexpr uint32_t kBookmarkFileUnreadableText = 541;
inline constexpr uint32_t kBadBookmarkNameText = 585;
inline constexpr uint32_t kBadBookmarkUrlText = 586;
inline constexpr uint32_t kBadBookmarkUserNameText = 587;
inline constexpr uint32_t kBadBookmarkPasswordText = 588;
inline constexpr uint32_t kBadBookmarkConnectionText = 589;

// File lists and device folders.
inline constexpr uint32_t kFileNameHeadingText = 217;
inline constexpr uint32_t kPcFolderHeadingText = 219;
inline constexpr uint32_t kDeviceFolderHeadingText = 591;
inline constexpr uint32_t kInvalidDeviceFolderText = 592;
inline constexpr uint32_t kDeviceLanguageText = 622;  // the device language's folder number

// --- Dialog templates. The print dialog's template has a name instead (custom_print.cpp).

inline constexpr uint32_t kImportSourceTemplate = 262;
inline constexpr uint32_t kAboutTemplate = 439;
inline constexpr uint32_t kBookmarkFilesTemplate = 440;
inline constexpr uint32_t kProgressTemplate = 442;
inline constexpr uint32_t kDevicePathTemplate = 443;
inline constexpr uint32_t kTextViewTemplate = 446;
inline constexpr uint32_t kTextInputTemplate = 447;
inline constexpr uint32_t kChoiceTemplate = 448;
inline constexpr uint32_t kMainViewTemplate = 10136;
inline constexpr uint32_t kSendTemplate = 10163;
inline constexpr uint32_t kFileListTemplate = 10165;
inline constexpr uint32_t kSettingsListTemplate = 10270;
inline constexpr uint32_t kNameUrlTemplate = 10274;
inline constexpr uint32_t kNoticeTemplate = 10275;
inline constexpr uint32_t kSettingsEntryTemplate = 30724;

// --- Controls of the templates, by dialog

// Shared by several dialogs.
inline constexpr int kLoadOrBrowseButton = 3;  // text view: load from a file
inline constexpr int kHelpButton = 264;
inline constexpr int kEditButton = 10004;
inline constexpr int kAddButton = 10139;
inline constexpr int kDeleteButton = 10143;
inline constexpr int kTextEdit = 10153;     // text input, text view, import source's file path
inline constexpr int kListControl = 10161;  // settings list, file list
inline constexpr int kEntryNameEdit = 10192;
inline constexpr int kEntryUrlEdit = 10195;

// Main view.
inline constexpr int kSettingsTreeControl = 10150;

// Send dialog.
inline constexpr int kSendDeviceNameLabel = 270;
inline constexpr int kSendPhoneLabel = 271;
inline constexpr int kSendImeiLabel = 272;
inline constexpr int kSendButton = 10138;

// Progress dialog.
inline constexpr int kProgressBar = 262;
inline constexpr int kProgressTextLabel = 263;

// Question dialog: one button per answer.
inline constexpr int kAnswer64Button = 270;
inline constexpr int kAnswer8Button = 273;
inline constexpr int kApplyToAllButton = 274;
inline constexpr int kQuestionLabel = 275;
inline constexpr int kAnswer32Button = 276;
inline constexpr int kAnswer4Button = 277;

// About box.
inline constexpr int kAboutTextLabel = 269;
inline constexpr int kAboutVersionLabel = 10218;

// Settings list dialog and entry dialog.
inline constexpr int kImportButton = 259;
inline constexpr int kEntryConnectionCombo = 10189;
inline constexpr int kEntryUserEdit = 10193;
inline constexpr int kEntryPasswordEdit = 10194;
inline constexpr int kEntryConnectionLabel = 10207;

// Bookmark import.
inline constexpr int kSourceFavoritesButton = 260;
inline constexpr int kSourceFileButton = 261;
inline constexpr int kSourceNetscapeButton = 262;
inline constexpr int kBookmarkFilesList = 261;

// File list dialog and device path dialog.
inline constexpr int kFileListNameEdit = 10242;
inline constexpr int kDeviceBrowseButton = 274;
inline constexpr int kDeviceFolderEdit = 275;
inline constexpr int kDevicePcFileEdit = 276;

// Print dialog: the system template's range buttons and the created-settings choice beside them.
inline constexpr int kPrintAllButton = 1056;        // rad1
inline constexpr int kPrintSelectionButton = 1057;  // rad2
inline constexpr int kPrintPagesButton = 1058;      // rad3
inline constexpr int kPrintCreatedButton = 10213;

// --- Images

inline constexpr int32_t kProductIcon = 429;
inline constexpr int32_t kSettingsFileIcon = 431;
inline constexpr int32_t kViewBitmap = 10125;
inline constexpr int32_t kToolbarBitmap = 29090;

// --- The host's command ids the plug-in answers

// The plug-in's toolbar buttons.
inline constexpr int32_t kNewCommand = 29050;
inline constexpr int32_t kSaveCommand = 29051;
inline constexpr int32_t kOpenCommand = 29052;
inline constexpr int32_t kSendCommand = 29053;
inline constexpr int32_t kPrintCommand = 29054;
// The plug-in's menu items.
inline constexpr int32_t kSendMenuCommand = 10276;  // the host's menu gets the F5 key text on it
inline constexpr int32_t kShowLogCommand = 10278;
inline constexpr int32_t kNewMenuCommand = 10279;
inline constexpr int32_t kDeleteMenuCommand = 10280;
inline constexpr int32_t kTransferMode1Command = 10281;
inline constexpr int32_t kTransferMode2Command = 10282;
inline constexpr int32_t kTransferMode3Command = 10283;
// The host's own File and Edit commands.
inline constexpr int32_t kHostPrintCommand = 31000;
inline constexpr int32_t kPrintPreviewCommand = 31001;  // the one that works while the preview shows
inline constexpr int32_t kPrintSetupCommand = 31002;
inline constexpr int32_t kHostDeleteCommand = 31003;
inline constexpr int32_t kHostOpenCommand = 31009;
inline constexpr int32_t kCutCommand = 31014;
inline constexpr int32_t kCopyCommand = 31015;
inline constexpr int32_t kPasteCommand = 31016;
inline constexpr int32_t kUndoCommand = 31017;
inline constexpr int32_t kSelectAllCommand = 31020;
inline constexpr int32_t kHostSaveCommand = 31021;
inline constexpr int32_t kSaveAsCommand = 31022;

}  // namespace orvel::ui
