#include "app/command_help.h"

#include "app/version.h"

namespace hm {

namespace {

constexpr const char* kForms = R"(Использование:
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
  hexmarshal DIF <АДРЕС:СМЕЩЕНИЕ:ДЛИНА> ДАННЫЕ
                                   добавить в DIF блок из файла данных (числа
                                   шестнадцатеричные; пустое смещение 0, пустая длина -
                                   весь файл); результат пишется в сам DIF, а если его имя
                                   не кончается на .dif - в ИМЯ.dif
                                     hexmarshal patch.dif '<1A0000:10:20>' data.bin
  hexmarshal --help | -h           эта справка
  hexmarshal --version             версия

DIF_bak.dif, установленный на BIN, отменяет DIF; проверяется он по самому DIF.

Коды выхода:
  0  готово (при /v: BIN исходный)
  1  ошибка, о которой сказано в сообщении (файл не читается, неверный DIF, для /v: нет
     подходящего DIF_bak.dif, ...)
  2  неверные параметры командной строки
  3  файл не найден
  4  BIN не совпадает с исходным или DIF_bak.dif негоден (ничего не записано)
  5  при /v: DIF уже установлен на этот BIN

)";

}  // namespace

std::string helpText(const std::string& settingsPath) {
  return std::string(kForms) + "Настройки (последняя папка, связь типов файлов): " + settingsPath +
         "\n";
}

std::string versionText() {
  return std::string(kProgramName) + " " + kProgramVersion + "\n";
}

}  // namespace hm
