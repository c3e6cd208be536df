// SPDX-License-Identifier: MIT
#pragma once
// Resource identifiers of the browser's windows, controls and icons. The
// widgets carry these names as their object names.

// Dialogs
inline constexpr int IDD_SPELL_LIST = 102;
inline constexpr int IDD_SPELL_INFO = 103;
inline constexpr int IDD_PROBLEMS = 110;
inline constexpr int IDD_ABOUT = 111;

// Icons
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDI_SCHOOL_ALTERATION = 132;
inline constexpr int IDI_SCHOOL_CONJURATION = 133;
inline constexpr int IDI_SCHOOL_ABJURATION = 134;
inline constexpr int IDI_SCHOOL_ENCHANTMENT = 135;
inline constexpr int IDI_SCHOOL_ILLUSION = 136;
inline constexpr int IDI_SCHOOL_DIVINATION = 137;
inline constexpr int IDI_SCHOOL_EVOCATION = 138;
inline constexpr int IDI_SCHOOL_NECROMANCY = 139;
inline constexpr int IDI_SCHOOL_ALL = 140;

// Main dialog controls
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDC_SPELL_LIST = 1012;
inline constexpr int IDC_WIZARD = 1013;
inline constexpr int IDC_PRIEST = 1014;
inline constexpr int IDC_CREATE_INDEX = 1016;
inline constexpr int IDC_PROGRESS = 1022;

// Find bar of the main dialog
inline constexpr int IDC_FIND_BAR = 1030;
inline constexpr int IDC_FIND_TEXT = 1031;
inline constexpr int IDC_FIND_LEVEL = 1032;
inline constexpr int IDC_FIND_SCHOOL = 1033;
inline constexpr int IDC_FIND_DESCRIPTIONS = 1034;
inline constexpr int IDC_FIND_COUNT = 1035;
inline constexpr int IDC_FIND_CLOSE = 1036;
inline constexpr int IDC_FIND_LEVEL_LABEL = 1037;
inline constexpr int IDC_FIND_SCHOOL_LABEL = 1038;
// Notice bar below the list, and the problems dialog
inline constexpr int IDC_NOTICE_BAR = 1040;
inline constexpr int IDC_NOTICE_TEXT = 1041;
inline constexpr int IDC_NOTICE_ACTION = 1042;
inline constexpr int IDC_NOTICE_CLOSE = 1043;
inline constexpr int IDC_PROBLEM_LIST = 1044;
inline constexpr int IDC_PROBLEMS_NOT_LISTED = 1045;

// Spellbook bar below the list
inline constexpr int IDC_BOOK_BAR = 1050;
inline constexpr int IDC_BOOK = 1051;
inline constexpr int IDC_BOOK_NEW = 1052;
inline constexpr int IDC_BOOK_RENAME = 1053;
inline constexpr int IDC_BOOK_DELETE = 1054;
inline constexpr int IDC_BOOK_MARKED_ONLY = 1055;
inline constexpr int IDC_BOOK_COUNT = 1056;

// About box (F1)
inline constexpr int IDC_ABOUT_TEXT = 1060;

// Details dialog controls
inline constexpr int IDC_NAME = 1001;
inline constexpr int IDC_SCHOOL = 1002;
inline constexpr int IDC_LEVEL = 1003;
inline constexpr int IDC_DURATION = 1004;
inline constexpr int IDC_COMPONENTS = 1005;
inline constexpr int IDC_RANGE = 1006;
inline constexpr int IDC_CASTING_TIME = 1007;
inline constexpr int IDC_SAVING_THROW = 1009;
inline constexpr int IDC_DESCRIPTION = 1017;
inline constexpr int IDC_AREA = 1021;

// An identifier's name, for use as an object name: RESOURCE_NAME(IDC_WIZARD)
// is "IDC_WIZARD".
#define RESOURCE_NAME(id) (static_cast<void>(id), #id)
