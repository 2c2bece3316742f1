// The texts the user sees, in code page 1251 (Windows Cyrillic), for every
// face: the interactive programs, wordhex-cli and the page.
#ifndef WORDHEX_CONVERT_MESSAGES_H
#define WORDHEX_CONVERT_MESSAGES_H

#define TEXT_CAPTION "\xCE\xF8\xE8\xE1\xEA\xE0!"  // Ошибка!
// Followed by base name + extension and "!".
#define TEXT_NOT_FOUND "\xCD\xE5 \xED\xE0\xE9\xE4\xE5\xED \xF4\xE0\xE9\xEB "  // Не найден файл
#define TEXT_BAD_CHECKSUM \
  "\xCE\xF8\xE8\xE1\xEA\xE0 \xEA\xEE\xED\xF2\xF0\xEE\xEB\xFC\xED\xEE\xE9 \xF1\xF3\xEC\xEC\xFB."  // Ошибка контрольной
                                                                                                 // суммы.
#define TEXT_DAMAGED "HEX \xF4\xE0\xE9\xEB \xEF\xEE\xE2\xF0\xE5\xE6\xE4\xB8\xED."  // HEX файл повреждён.
// Followed by the output's file name and "!".
#define TEXT_CANNOT_CREATE \
  "\xCD\xE5 \xF3\xE4\xE0\xEB\xEE\xF1\xFC \xF1\xEE\xE7\xE4\xE0\xF2\xFC \xF4\xE0\xE9\xEB "  // Не удалось создать файл
#define TEXT_WRITE_FAILED \
  "\xCE\xF8\xE8\xE1\xEA\xE0 \xE7\xE0\xEF\xE8\xF1\xE8 \xF4\xE0\xE9\xEB\xE0 "  // Ошибка записи файла
#define TEXT_NAME_END "!"

// wordhex-cli's own: each followed by a file name and "!", but the last two.
#define TEXT_READ_FAILED \
  "\xCE\xF8\xE8\xE1\xEA\xE0 \xF7\xF2\xE5\xED\xE8\xFF \xF4\xE0\xE9\xEB\xE0 "  // Ошибка чтения файла
#define TEXT_OUTPUT_IS_INPUT                                                                     \
  "\xC2\xFB\xF5\xEE\xE4\xED\xEE\xE9 \xF4\xE0\xE9\xEB \xF1\xEE\xE2\xEF\xE0\xE4\xE0\xE5\xF2 \xF1 " \
  "\xE2\xF5\xEE\xE4\xED\xFB\xEC: "  // Выходной файл совпадает с входным:
// Стандартный ввод и стандартный вывод - один и тот же файл!
#define TEXT_STREAMS_ARE_ONE_FILE                                                                                    \
  "\xD1\xF2\xE0\xED\xE4\xE0\xF0\xF2\xED\xFB\xE9 \xE2\xE2\xEE\xE4 \xE8 \xF1\xF2\xE0\xED\xE4\xE0\xF0\xF2\xED\xFB\xE9 " \
  "\xE2\xFB\xE2\xEE\xE4 - \xEE\xE4\xE8\xED \xE8 \xF2\xEE\xF2 \xE6\xE5 \xF4\xE0\xE9\xEB!"
#define TEXT_MISALIGNED \
  "\xC0\xE4\xF0\xE5\xF1 \xED\xE5 \xE2\xFB\xF0\xEE\xE2\xED\xE5\xED \xEF\xEE \xF1\xEB\xEE\xE2\xF3."  // Адрес не выровнен
                                                                                                   // по слову.
#define TEXT_INTERRUPTED "\xCF\xF0\xE5\xF0\xE2\xE0\xED\xEE."  // Прервано.
#define TEXT_PARTIAL_WORD                                                                            \
  "\xC7\xE0\xEF\xE8\xF1\xFC \xED\xE5 \xE7\xE0\xEA\xE0\xED\xF7\xE8\xE2\xE0\xE5\xF2\xF1\xFF \xED\xE0 " \
  "\xE3\xF0\xE0\xED\xE8\xF6\xE5 \xF1\xEB\xEE\xE2\xE0."  // Запись не заканчивается на границе слова.
#define TEXT_BAD_LENGTH \
  "\xCD\xE5\xE2\xE5\xF0\xED\xE0\xFF \xE4\xEB\xE8\xED\xE0 \xE7\xE0\xEF\xE8\xF1\xE8 \xE0\xE4\xF0\xE5\xF1\xE0."  // Неверная
                                                                                                              // длина
                                                                                                              // записи
                                                                                                              // адреса.
#define TEXT_OUT_OF_RANGE \
  "\xC0\xE4\xF0\xE5\xF1 \xE7\xE0 \xEF\xF0\xE5\xE4\xE5\xEB\xE0\xEC\xE8 4 \xC3\xE8\xC1."  // Адрес за пределами 4 ГиБ.
#define TEXT_OUTSIDE_MEMORY \
  "\xC0\xE4\xF0\xE5\xF1 \xE7\xE0 \xEF\xF0\xE5\xE4\xE5\xEB\xE0\xEC\xE8 \xEF\xE0\xEC\xFF\xF2\xE8."  // Адрес за пределами
                                                                                                  // памяти.
#define TEXT_UNORDERED \
  "\xC0\xE4\xF0\xE5\xF1\xE0 \xE8\xE4\xF3\xF2 \xED\xE5 \xEF\xEE \xEF\xEE\xF0\xFF\xE4\xEA\xF3."  // Адреса идут не по
                                                                                               // порядку.
// A checksum that did not verify: " (в записи E3, должно быть E2)".
#define TEXT_CHECKSUM_READ " (\xE2 \xE7\xE0\xEF\xE8\xF1\xE8 "
#define TEXT_CHECKSUM_WANTED ", \xE4\xEE\xEB\xE6\xED\xEE \xE1\xFB\xF2\xFC "

// A record whose fill would overwrite what another defines:
// " (заполнение легло бы на данные другой записи)".
#define TEXT_FILL_OVER_DATA                                                                                     \
  " (\xE7\xE0\xEF\xEE\xEB\xED\xE5\xED\xE8\xE5 \xEB\xE5\xE3\xEB\xEE \xE1\xFB \xED\xE0 \xE4\xE0\xED\xED\xFB\xE5 " \
  "\xE4\xF0\xF3\xE3\xEE\xE9 \xE7\xE0\xEF\xE8\xF1\xE8)"

// Warnings, wordhex-cli's and the page's; plain ASCII.
#define TEXT_WARN_SEGMENT                                                                                     \
  "type 02 segment bases were left as byte addresses, so the data under them land at the wrong word address " \
  "(use --full-address)"
#define TEXT_WARN_WRAP                                                                                           \
  "a record runs past the end of its type 02 segment, where its addresses wrap to the segment's start; halved, " \
  "they run on instead (use --full-address)"
#define TEXT_WARN_LINEAR \
  "type 04 records put data above 64 KiB, and their upper address bits were left as they are (use --full-address)"
#define TEXT_WARN_START "start addresses (types 03 and 05) were left as byte addresses (use --full-address)"
#define TEXT_WARN_ODD                                                                                           \
  "data at odd byte addresses, halved, share word addresses with the data before them (--full-address refuses " \
  "them)"
// Followed by the number of records and ", from here on)".
#define TEXT_WARN_AFTER_END "the end-of-file record is followed by records that were not converted ("

#endif
