#pragma once

// Every message the program shows or prints, in one place. The texts are the program's own and
// are used exactly as they stand; the captions of controls stay with the controls.
namespace hm {

// Files
inline constexpr const char* kOpenErrorText = "Ошибка открытия файла!";
inline constexpr const char* kFileNotFoundText = "Файл не найден";
inline constexpr const char* kTooLargeText = "Too Large File! (Max 16Mb)";
// A DIF is not held to the 16 MB of BIN files: one that patches a whole BIN is many times larger.
inline constexpr const char* kDifTooLargeText = "Слишком большой DIF файл!";
inline constexpr const char* kFileBusyText = "Файл занят другой программой!";

// The command line
inline constexpr const char* kBadParametersText = "Неверные параметры командной сторки!";
inline constexpr const char* kNoDisplayText =
    "Hexmarshal: для работы с окном нужен дисплей (DISPLAY или WAYLAND_DISPLAY).";
inline constexpr const char* kWindowProgramFailedText = "Hexmarshal: не удалось запустить";

// The search and the regrouping (status line)
inline constexpr const char* kSearchProgressText = "Найдено различий: ";
inline constexpr const char* kSearchCancelledText = "Поиск отменен.";
inline constexpr const char* kTotalBytesText = "Кол-во байтов: ";
inline constexpr const char* kTotalBlocksText = ";    Блоков: ";
// Shown while a long list is regrouped or recalculated away from the window's thread.
inline constexpr const char* kGroupingText = "Группировка блоков...";
inline constexpr const char* kRecalculatingText = "Пересчет блоков...";
inline constexpr const char* kOutOfMemoryText = "Недостаточно памяти!";

// DIF files
inline constexpr const char* kInvalidDifEditText = "Неверный DIF файл!";
inline constexpr const char* kInvalidDifApplyText = "Неверный DIF файл!!!";
inline constexpr const char* kReadingBlocksText = "Чтение данных о блоках...";
inline constexpr const char* kDifWritingText = "Запись DIF файла...";
inline constexpr const char* kDifCreatedText = "DIF файл успешно создан!";
inline constexpr const char* kDifWriteErrorText = "Ошибка записи DIF файла";
inline constexpr const char* kDifChangedText = "DIF файл изменён другой программой. Перезаписать?";
inline constexpr const char* kBinWriteErrorText = "Ошибка записи BIN файла!";
inline constexpr const char* kDifAppliedText = "DIF файл успешно установлен!";
// The window's status line after applying whatever the BIN was, and after a No.
inline constexpr const char* kAppliedAgainText = "DIF установлен повторно.";
inline constexpr const char* kAppliedToOtherBinText =
    "DIF установлен на BIN, не совпадающий с исходным.";
inline constexpr const char* kApplyCancelledText = "Установка DIF отменена.";
// Why a block cannot be written, after "Ошибка записи DIF файла" and an empty line. The block's
// range ("002000–002010") goes where "%1" stands.
inline constexpr const char* kBlockPastTargetText = "Блок %1 выходит за конец конечного файла.";
inline constexpr const char* kBlockPastSourceText = "Блок %1 выходит за конец исходного файла.";
inline constexpr const char* kBlockBadAddressesText = "Неверные адреса блока %1.";
inline constexpr const char* kBlockNotInDifText = "Байтов блока %1 нет в DIF файле.";
inline constexpr const char* kBlockDataShortText = "Файл данных короче блока %1: ";
inline constexpr const char* kBlockDataOffsetText = "Неверное смещение блока %1 в файле данных.";

// Command1's two captions, which the mode changes: the source BIN, or the data file.
inline constexpr const char* kSourceCaption = "Исходный BIN";
inline constexpr const char* kDataFileCaption = "Файл данных";

// Block editing
inline constexpr const char* kBadAddressesText = "Неверные адреса блока!";
inline constexpr const char* kNoDataFileText = "Не выбран файл данных!";
inline constexpr const char* kBadDataFileNameText = "Недопустимое имя файла данных!";
inline constexpr const char* kMergeTooFewText = "Нужно выделить не менее 2 соседних блоков!";
inline constexpr const char* kMergeNotNeighboursText = "Объединять можно только соседние блоки!";
inline constexpr const char* kMergeConfirmText =
    "Вы действительно хотите объединить выделенные блоки?";
inline constexpr const char* kDeleteNothingText = "Нужно выделить блоки!";
inline constexpr const char* kDeleteConfirmText =
    "Вы действительно хотите удалить выделенные блоки?";
inline constexpr const char* kAddressDialogTitle = "Изменение адресов блока";
inline constexpr const char* kAddBlockTitle = "Добавление нового блока";
inline constexpr const char* kDataBlockTitle = "Добавление блока из файла данных";
inline constexpr const char* kEditDataBlockTitle = "Редактирование блока данных для вставки";

// The block's bytes, source beside target
inline constexpr const char* kBlockBytesTitle = "Байты блока";
inline constexpr const char* kSourcePaneText = "Исходный";
inline constexpr const char* kTargetPaneText = "Конечный";
inline constexpr const char* kDifPaneText = "Из DIF файла";
inline constexpr const char* kDataOffsetText = ", офсет ";
inline constexpr const char* kChangedText = ", изменено ";
inline constexpr const char* kNoBlockText = "Блок не выбран.";
inline constexpr const char* kBytesWhileSearchingText = "Идёт поиск различий...";
inline constexpr const char* kNotComparedText = "Файлы ещё не сравнивались.";
inline constexpr const char* kBadBlockAddressesText = "Неверные адреса блока.";
inline constexpr const char* kPastTargetText = "Блок выходит за конец конечного файла.";
inline constexpr const char* kNotInDifText = "Байтов этого блока нет в DIF файле.";
inline constexpr const char* kDataFileUnreadableText = "Не удалось прочитать файл данных: ";
inline constexpr const char* kDataFileShortText = "Файл данных короче блока: ";
inline constexpr const char* kListMenuEditText = "Изменить адреса...";

// The file-type association: the first text, then one of the reasons after it.
inline constexpr const char* kAssociationFailedText = "Не удалось связать BIN ,DIF c Hexmarshal: ";
inline constexpr const char* kProgramPathUnknownText = "путь к программе неизвестен.";
inline constexpr const char* kProgramPathNotUtf8Text =
    "путь к программе не в кодировке UTF-8, ярлык его не примет.";
inline constexpr const char* kSettingsWriteFailedText = "ошибка записи настроек.";
inline constexpr const char* kAssociationWriteText = "ошибка записи ";

// The window
inline constexpr const char* kAuthorshipText = "Разработчики Hexmarshal, 2026";

}  // namespace hm
