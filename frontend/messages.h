// The texts the user sees, in code page 1251 (Windows Cyrillic).
#ifndef WORDHEX_FRONTEND_MESSAGES_H
#define WORDHEX_FRONTEND_MESSAGES_H

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

#endif
