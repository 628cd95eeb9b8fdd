#pragma once

#include "platform/russian_plural.h"

#include <string>
#include <string_view>

// Every text the program shows or prints, in one place, so that a word is changed once and the
// same thing is always said the same way. The texts are the program's own and are used exactly as
// they stand.
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
// --help: the forms of the line, then the settings file's path after kSettingsFileText.
inline constexpr const char* kCommandHelpText = R"(Использование:
  hexmarshal                       открыть окно
  hexmarshal ФАЙЛ.dif              открыть окно и установить этот DIF
                                     hexmarshal patch.dif
  hexmarshal ФАЙЛ                  открыть окно с этим исходным BIN
                                     hexmarshal old.bin
  hexmarshal ИСХОДНЫЙ [/md:N ]/t:КОНЕЧНЫЙ /d:DIF [/b]
                                   сравнить два BIN и записать DIF (N от 0 до 128, по
                                   умолчанию 8); с /b ещё и backup DIF (DIF_bak.dif)
                                     hexmarshal old.bin /md:16 /t:new.bin /d:patch.dif /b
  hexmarshal BIN /a:DIF /o:ВЫХОД [/f]
                                   установить DIF на BIN и записать ВЫХОД; если рядом
                                   лежит DIF_bak.dif, BIN сначала проверяется по нему:
                                   на уже исправленный BIN ничего не пишется (код 0), на
                                   другой тоже (код 4), как и при негодном DIF_bak.dif;
                                   /f устанавливает всё равно
                                     hexmarshal old.bin /a:patch.dif /o:patched.bin
  hexmarshal BIN /v:DIF            проверить BIN по DIF_bak.dif, ничего не записывая;
                                   выводит "исходный", "уже установлен" или сколько
                                   блоков отличается
                                     hexmarshal old.bin /v:patch.dif
  hexmarshal НОВЫЙ_BIN /r:DIF [/s:ИСХОДНЫЙ_BIN] /d:НОВЫЙ_DIF [/f]
                                   перенести DIF на другую версию BIN: каждый блок ищется
                                   по исходным байтам (из ИСХОДНОГО_BIN с байтами вокруг,
                                   иначе из DIF_bak.dif); пишет НОВЫЙ_DIF и его backup,
                                   выводит блоки, что сдвинулись или не найдены; с /f
                                   пишет найденные, даже если найдены не все
                                     hexmarshal v2.bin /r:patch.dif /s:v1.bin /d:v2.dif
  hexmarshal DIF <АДРЕС:СМЕЩЕНИЕ:ДЛИНА> ДАННЫЕ
                                   добавить в DIF блок из файла данных (числа
                                   шестнадцатеричные; пустое смещение 0, пустая длина -
                                   весь файл); результат пишется в сам DIF, а если его имя
                                   не кончается на .dif - в ИМЯ.dif
                                     hexmarshal patch.dif '<1A0000:10:20>' data.bin
  hexmarshal ПАТЧ [/s:ИСХОДНЫЙ_BIN] /c:ВЫХОД
                                   записать ПАТЧ (DIF или IPS, по его заголовку) как IPS,
                                   если имя ВЫХОДА кончается на .ips, иначе как DIF; с /s:
                                   ещё и backup DIF (ВЫХОД_bak.dif) с байтами ИСХОДНОГО_BIN
                                     hexmarshal patch.dif /s:old.bin /c:patch.ips
  hexmarshal --help | -h           эта справка
  hexmarshal --version             версия

DIF_bak.dif, установленный на BIN, отменяет DIF; проверяется он по самому DIF.
Где нужен DIF для установки или проверки, подходит и IPS (его узнают по заголовку PATCH).

Коды выхода:
  0  готово (при /v: BIN исходный; при /r: перенесены все блоки)
  1  ошибка, о которой сказано в сообщении (файл не читается, неверный DIF, для /v: нет
     подходящего DIF_bak.dif, ...)
  2  неверные параметры командной строки
  3  файл не найден
  4  BIN не совпадает с исходным или DIF_bak.dif негоден (ничего не записано); при /r:
     найдены не все блоки (без /f ничего не записано)
  5  при /v: и /r: DIF уже установлен на этот BIN

)";
inline constexpr const char* kSettingsFileText =
    "Настройки (последняя папка, связь типов файлов): ";

// The file dialogs
inline constexpr const char* kOpenSourceBinTitle = "Выберите Исходный BIN Файл";
inline constexpr const char* kOpenTargetBinTitle = "Выберите Конечный BIN Файл";
inline constexpr const char* kOpenDifTitle = "Выберите DIF Файл";
inline constexpr const char* kSaveBinTitle = "Выберите Новый BIN Файл";
inline constexpr const char* kSaveDifTitle = "Выберите Новый DIF Файл";
// The filter after the one of the file's own type.
inline constexpr const char* kAllFilesFilterText = "Все файлы (*)";

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
// Long DIF work in the window: its progress (after the texts above, with a count) and its end
// at "Отмена".
inline constexpr const char* kApplyingText = "Установка DIF файла...";
inline constexpr const char* kBlocksOfText = " из ";
inline constexpr const char* kMegabytesText = " МБ";
inline constexpr const char* kDifReadCancelledText = "Чтение DIF файла отменено.";
inline constexpr const char* kDifWriteCancelledText = "Запись DIF файла отменена.";
// Why a block cannot be written, after "Ошибка записи DIF файла" and an empty line. The block's
// range ("002000–002010") goes where "%1" stands.
inline constexpr const char* kBlockPastTargetText = "Блок %1 выходит за конец конечного файла.";
inline constexpr const char* kBlockPastSourceText = "Блок %1 выходит за конец исходного файла.";
inline constexpr const char* kBlockBadAddressesText = "Неверные адреса блока %1.";
inline constexpr const char* kBlockNotInDifText = "Байтов блока %1 нет в DIF файле.";
inline constexpr const char* kBlockDataShortText = "Файл данных короче блока %1: ";
inline constexpr const char* kBlockDataOffsetText = "Неверное смещение блока %1 в файле данных.";

// IPS files, the patches other programs exchange: read as a DIF, written from one. Why an IPS
// cannot be read follows the first text after an empty line, as a block that cannot be written
// does; the range of a record ("454F00–455010") goes where "%1" stands.
inline constexpr const char* kInvalidIpsText = "Неверный IPS файл!";
inline constexpr const char* kIpsCutsText = "IPS файл укорачивает BIN, а DIF BIN не укорачивает.";
inline constexpr const char* kIpsPastLastText = "Блок %1 выходит за адрес FFFFFF.";
inline constexpr const char* kIpsTooLargeText = "Слишком большой IPS файл!";
inline constexpr const char* kIpsWritingText = "Запись IPS файла...";
inline constexpr const char* kIpsCreatedText = "IPS файл успешно создан!";
inline constexpr const char* kIpsWriteErrorText = "Ошибка записи IPS файла";
inline constexpr const char* kIpsWriteCancelledText = "Запись IPS файла отменена.";
inline constexpr const char* kIpsEndAddressText =
    "Блок %1 начинается по адресу 454F46, который IPS читает как свой конец, а байта 454F45, "
    "с которого его надо начать, нет ни в конечном файле, ни в других блоках.";
inline constexpr const char* kSaveIpsItem = "Сохранить как IPS...";
inline constexpr const char* kSaveIpsTitle = "Выберите Новый IPS Файл";

// A DIF checked against its backup before it is applied (or, for a backup, against its DIF)
inline constexpr const char* kAlreadyAppliedText = "DIF уже установлен на этот BIN.";
inline constexpr const char* kApplyAnywayText = "Всё равно установить?";
// The check form's answers on standard output.
inline constexpr const char* kSourceWord = "исходный";
inline constexpr const char* kAlreadyAppliedWord = "уже установлен";
// The window's status line after applying.
inline constexpr const char* kAppliedVerifiedText = "DIF установлен на проверенный BIN.";
inline constexpr const char* kAppliedUnverifiedText = "DIF установлен без проверки BIN.";
// Why a DIF could not be verified: followed by the counterpart's path.
inline constexpr const char* kNoCounterpartText = "Нет DIF для проверки: ";
inline constexpr const char* kCounterpartOtherBlocksText =
    "DIF для проверки не подходит, в нём другие блоки: ";
// "BIN не совпадает с исходным: отличаются 3 блока из 120, первый по адресу 01A2F0."
inline constexpr const char* kBinDiffersText = "BIN не совпадает с исходным: ";
inline constexpr PluralForms kDiffersWord = {"отличается", "отличаются", "отличаются"};
inline constexpr PluralForms kBlocksWord = {"блок", "блока", "блоков"};

// Carrying a DIF to another version of its BIN: one line per block that did not stay in place,
// "Блок 000100–00010F перенесён на 000180 (сдвиг +80)."
inline constexpr const char* kCarryingText = "Перенос DIF...";
inline constexpr const char* kCarryBlockWord = "Блок ";
inline constexpr const char* kCarryInPlaceText = "на месте";
inline constexpr const char* kCarryMovedText = "перенесён";
inline constexpr const char* kCarryAlreadyText = "уже установлен";
inline constexpr const char* kCarryNotFoundText = "не найден";
inline constexpr const char* kCarryAmbiguousText = "неоднозначно: ";
inline constexpr PluralForms kPlacePlural = {"место", "места", "мест"};
inline constexpr const char* kCarryToWord = "на ";
inline constexpr const char* kCarryAtWord = "по адресу ";
inline constexpr const char* kCarryShiftWord = "сдвиг ";
inline constexpr const char* kCarryNothingText =
    "Нет ни исходного BIN, ни подходящего backup DIF: блоки искать не по чему.";
inline constexpr const char* kCarryItem = "Перенести DIF на другой BIN...";
inline constexpr const char* kCarryTitle = "Перенос DIF";
inline constexpr const char* kCarryNewBinTitle = "Выберите BIN, на который перенести DIF";
inline constexpr const char* kCarryOriginalTitle = "Выберите исходный BIN, из которого сделан DIF";
inline constexpr const char* kCarryAskOriginalText =
    "Указать исходный BIN, из которого сделан DIF? С ним блоки находятся надёжнее; без него "
    "они ищутся по backup DIF.";
inline constexpr const char* kCarryBlockColumn = "Блок в DIF";
inline constexpr const char* kCarryAddressColumn = "Адрес в BIN";
inline constexpr const char* kCarryShiftColumn = "Сдвиг";
inline constexpr const char* kCarryOutcomeColumn = "Итог";
inline constexpr const char* kCarryNewBinPane = "В BIN";
inline constexpr const char* kCarryDifPane = "Из DIF";
inline constexpr const char* kCarrySaveCaption = "Сохранить DIF...";
inline constexpr const char* kCarryPlacedText = "Размещено блоков: ";
inline constexpr const char* kCarryOfText = " из ";
inline constexpr const char* kCarryIncompleteText =
    "Не все блоки DIF найдены в BIN: DIF не записан.";
inline constexpr const char* kOutOfBlocksText = " из ";
inline constexpr const char* kFirstDifferenceText = ", первый по адресу ";

// The main window's controls and menus.
inline constexpr const char* kMergeCaption = "Объединить";
inline constexpr const char* kAddCaption = "Добавить";
inline constexpr const char* kDeleteCaption = "Удалить";
inline constexpr const char* kBackupCaption = "Создавать Backup";
inline constexpr const char* kCreateDifCaption = "Создать DIF";
inline constexpr const char* kCancelSearchCaption = "Отмена";
inline constexpr const char* kSearchCaption = "Найти различия";
inline constexpr const char* kTargetCaption = "Конечный BIN";
inline constexpr const char* kDistanceCaption = "Мин. Дистанция:";
inline constexpr const char* kFileMenuCaption = "Файл";
inline constexpr const char* kOpenSourceItem = "Открыть исходный BIN";
inline constexpr const char* kOpenTargetItem = "Открыть конечный BIN";
inline constexpr const char* kEditDifItem = "Открыть DIF для редактирования";
inline constexpr const char* kExitItem = "Выход";
inline constexpr const char* kEditMenuCaption = "Правка";
inline constexpr const char* kUndoItem = "Отменить";
inline constexpr const char* kRedoItem = "Повторить";
inline constexpr const char* kToolsMenuCaption = "Инструменты";
inline constexpr const char* kApplyDifItem = "Установить Dif на BIN";
inline constexpr const char* kAssociateItem = "Связать BIN ,DIF c Hexmarshal";
inline constexpr const char* kHelpMenuCaption = "Помощь";
inline constexpr const char* kAboutItem = "О программе";
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
inline constexpr const char* kDiscardEditsText =
    "Список блоков изменён и не сохранён. Закрыть без сохранения?";
inline constexpr const char* kDeleteConfirmText =
    "Вы действительно хотите удалить выделенные блоки?";
inline constexpr const char* kAddressDialogTitle = "Изменение адресов блока";
inline constexpr const char* kAddBlockTitle = "Добавление нового блока";
inline constexpr const char* kDataBlockTitle = "Добавление блока из файла данных";
inline constexpr const char* kEditDataBlockTitle = "Редактирование блока данных для вставки";
// The block dialogs' captions.
inline constexpr const char* kStartAddressCaption = "Адрес начала:";
inline constexpr const char* kEndAddressCaption = "Адрес конца:";
inline constexpr const char* kDataOffsetCaption = "Начало (офсет):";
inline constexpr const char* kDataLengthCaption = "Длина:";
inline constexpr const char* kDestinationCaption = "Адрес назначения:";
inline constexpr const char* kOkCaption = "OK";
inline constexpr const char* kCancelCaption = "Отмена";

// The list's column titles: the comparison's, then DIF editing's narrower ones.
inline constexpr const char* kStartColumnCaption = "Начало";
inline constexpr const char* kEndColumnCaption = "Конец";
inline constexpr const char* kLengthColumnCaption = "Длина";
inline constexpr const char* kDistanceColumnCaption = "Дистанция";
inline constexpr const char* kShortDistanceColumnCaption = "Дист-я";
inline constexpr const char* kDataOffsetColumnCaption = "Офсет Dat";
inline constexpr const char* kDataFileColumnCaption = "Файл";

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
// "000100–00010A, 11 байт": the block's length in the line over the panes.
inline constexpr PluralForms kBytesWord = {"байт", "байта", "байт"};
inline constexpr const char* kListMenuEditText = "Изменить адреса...";

// The file-type association: the first text, then one of the reasons after it.
inline constexpr const char* kAssociationFailedText = "Не удалось связать BIN ,DIF c Hexmarshal: ";
inline constexpr const char* kProgramPathUnknownText = "путь к программе неизвестен.";
inline constexpr const char* kProgramPathNotUtf8Text =
    "путь к программе не в кодировке UTF-8, ярлык его не примет.";
inline constexpr const char* kSettingsWriteFailedText = "ошибка записи настроек.";
inline constexpr const char* kAssociationWriteText = "ошибка записи ";
// What the program is, in the desktop entry the association writes.
inline constexpr const char* kGenericNameText = "Редактор бинарных патчей";

// The kinds of file Qt's file dialog lists, which the Russian catalogue of some Qt releases lacks.
// "%1" stands for the file's extension.
inline constexpr const char* kFolderKindText = "Папка";
inline constexpr const char* kFileKindText = "Файл";
inline constexpr const char* kTypedFileKindText = "Файл %1";
inline constexpr const char* kDriveKindText = "Диск";
inline constexpr const char* kShortcutKindText = "Ярлык";
inline constexpr const char* kUnknownKindText = "Неизвестный";

// The window
inline constexpr const char* kAuthorshipText = "Разработчики Hexmarshal, 2026";

// A message and why it came, after an empty line, as the longer messages say it.
inline std::string withWhy(std::string_view text, std::string_view why) {
  std::string message(text);
  message += "\n\n";
  message += why;
  return message;
}

}  // namespace hm
