// The English catalogue.
#include "convert/texts.h"

extern const Catalogue ENGLISH = {
    "en",
    {
        // CAPTION
        "Error!",
        // NOT_FOUND
        "File not found: ",
        // BAD_CHECKSUM
        "Checksum error.",
        // DAMAGED
        "HEX file damaged.",
        // CANNOT_CREATE
        "Could not create file ",
        // WRITE_FAILED
        "Error writing file ",
        // READ_FAILED
        "Error reading file ",
        // NAME_END
        "!",
        // OUTPUT_IS_INPUT
        "The output file is the input file: ",
        // STREAMS_ARE_ONE_FILE
        "Standard input and standard output are one and the same file!",
        // MISALIGNED
        "Address not aligned to a word.",
        // PARTIAL_WORD
        "The record does not end at a word boundary.",
        // BAD_LENGTH
        "Wrong length of an address record.",
        // OUT_OF_RANGE
        "Address beyond 4 GiB.",
        // OUTSIDE_MEMORY
        "Address outside the memory.",
        // UNORDERED
        "Addresses not in ascending order.",
        // INTERRUPTED
        "Interrupted.",
        // CHECKSUM_DETAIL
        " (%1 in the record, %2 expected)",
        // FILL_OVER_DATA
        " (the fill would land on another record's data)",
        // REASON_BOM
        " (the file begins with a byte-order mark: it was saved as UTF-8 with a BOM, which Intel HEX has no room for)",
        // REASON_EMPTY_FILE
        " (the file is empty)",
        // REASON_EMPTY_LINE
        " (an empty line)",
        // REASON_NO_MARK
        " (the line begins with %1, not with ':')",
        // REASON_NOT_DIGIT
        " (%1 is not a hexadecimal digit, in the %2)",
        // FIELD_COUNT
        "count",
        // FIELD_ADDRESS
        "address",
        // FIELD_TYPE
        "record type",
        // FIELD_DATA
        "data",
        // FIELD_CHECKSUM
        "checksum",
        // REASON_LINE_ENDS
        " (the line ends inside a record)",
        // REASON_FILE_ENDS
        " (the file ends inside a record)",
        // REASON_NO_END
        " (no end-of-file record)",
        // REASON_TYPE
        " (record type %1: types go up to 05)",
        // REASON_SECOND_RECORD
        " (a second record on the line, after the checksum)",
        // WARN_SEGMENT
        "type 02 segment bases were left as byte addresses, so the data under them land at the wrong word address (use "
        "--full-address)",
        // WARN_WRAP
        "a record runs past the end of its type 02 segment, where its addresses wrap to the segment's start; halved, "
        "they run on instead (use --full-address)",
        // WARN_LINEAR
        "type 04 records put data above 64 KiB, and their upper address bits were left as they are (use "
        "--full-address)",
        // WARN_START
        "start addresses (types 03 and 05) were left as byte addresses (use --full-address)",
        // WARN_ODD
        "data at odd byte addresses, halved, share word addresses with the data before them (--full-address refuses "
        "them)",
        // WARN_AFTER_END
        "the end-of-file record is followed by records that were not converted (%1, from here on)",
        // WARNING
        "warning",
        // ERROR
        "error",
        // BOTH_WRITTEN
        "%1 and %2 would both be written to %3",
        // BOTH_WRITTEN_STDOUT
        "%1 and %2 would both be written to %3, which is standard output",
        // WRITTEN_TO_FILE
        "%1 would be written to %2, another FILE of this run",
        // WRITTEN_TO_OTHER
        "%1 would be written to %2, which is %3, another FILE of this run",
        // STANDARD_INPUT
        "standard input",
        // STANDARD_OUTPUT
        "standard output",
        // TRY_HELP
        "Try 'wordhex-cli --help' for more information.",
        // BAD_WORD_BITS
        "--word-bits takes 16, 24, 32, 40, 48, 56 or 64, not '%1'",
        // BAD_FILL
        "--fill takes 0x and one or two hexadecimal digits, or 0 to 255, not '%1'",
        // BAD_FILL_HEX
        "--fill takes 0x and one or two hexadecimal digits, or 0 to 255, not '%1': write hexadecimal as 0x%1",
        // BAD_FORMAT
        "--format takes ihex, vmem, mif or coe, not '%1'",
        // BAD_BASE
        "--base takes 0x and hexadecimal digits, or a decimal number, below 4 Gi, not '%1'",
        // BAD_DEPTH
        "--depth takes 0x and hexadecimal digits, or a decimal number, from 1 to 4 Gi, not '%1'",
        // BAD_WORDS_PER_RECORD
        "--words-per-record takes a number from 1 on, not '%1'",
        // FULL_AND_BYTES
        "--full-address and --to-bytes exclude each other",
        // FORMAT_TO_BYTES
        "--format=%1 writes words: no --to-bytes",
        // FORMAT_NEEDS_DEPTH
        "--format=%1 needs --depth, the memory's size in words",
        // FORMAT_NEEDS_BOTH
        "--format=%1 needs --depth, the memory's size in words, and --fill, what the words that the image lacks become",
        // BASE_NOT_WORD
        "--base must start a word, a multiple of %1 bytes, not %2",
        // RECORDS_HALVED
        "--words-per-record cuts the records of whole addresses: add --full-address or --word-bits",
        // RECORDS_FORMAT
        "--words-per-record is for Intel HEX, not --format=%1",
        // RECORDS_TOO_MANY
        "--words-per-record takes at most %1 words of %2 bytes, 255 bytes a record",
        // NO_FILE
        "no FILE given, and standard input is a terminal",
        // STDIN_ONCE
        "standard input ('-') can be read only once",
        // ONE_FILE_FOR_O
        "-o takes exactly one FILE",
        // EMPTY_OUTPUT
        "empty OUTPUT",
        // CHECK_NO_O
        "--check writes nothing: no -o",
        // TOO_MANY_FILES
        "too many FILEs for one run",
        // BAD_MAP
        "--map takes json, or nothing for text, not '%1'",
        // MAP_NO_O
        "--map writes no output: no -o or --output-dir",
        // O_AND_DIR
        "-o and --output-dir exclude each other",
        // NO_DIRECTORY
        "Directory not found: ",
        // PATH_IGNORED
        "WORDHEX_CONVERT_PATH=%1 cannot run here; ignored",
        // CONVERSION_PATHS
        "conversion paths:",
        // CHOSEN
        "chosen",
        // NAME_TOO_LONG
        "File name too long",
        // MAP_RUN
        "  bytes %1..%2 -> words %3..%4 (bytes: %5, words: %6)",
        // MAP_MISREAD
        "; halved, a target reads them elsewhere (see the warnings)",
        // MAP_START
        "  start: byte %1 -> word %2",
        // MAP_START_BYTE
        "  start: byte %1, at no word",
        // MAP_NO_START
        "  no start address",
        // MAP_TOTALS
        "  data records: %1, data bytes: %2, words: %3",
        // MAP_DEPTH
        "; the memory's words used: %1 of %2 (%3 %)",
        // USAGE
        "Usage: wordhex-cli [--full-address | --to-bytes] [--word-bits=N] [--swap-bytes] [--fill=BYTE]\n"
        "                   [--format=FORMAT] [--base=ADDRESS] [--depth=WORDS] [--words-per-record=K]\n"
        "                   [--check | --map[=json]] [--strict] [-q] [-o OUTPUT | -d DIR] [FILE]...\n",
        // HELP
        "Converts Intel HEX files with byte addresses into Intel HEX files with word\n"
        "addresses, and back, or into the word images that memories load: checksums\n"
        "verified and recomputed, data untouched.\n"
        "\n"
        "Each FILE is written beside itself as BASE_I16.hex (BASE_IN.hex for N-bit\n"
        "words, BASE_I8.hex with --to-bytes, BASE_IN.mem, .mif or .coe in those\n"
        "formats), or into OUTPUT with -o (then exactly one FILE). '-' as FILE, or no\n"
        "FILE when standard input is not a terminal, reads standard input and writes\n"
        "standard output; '-o -' writes standard output.\n"
        "\n"
        "Modes:\n"
        "      --full-address   make every byte's whole address a word address: type 02\n"
        "                       and 04 bases included, start addresses converted; data\n"
        "                       not at the start of a word fails\n"
        "      --to-bytes       the inverse: word addresses back to byte addresses\n"
        "      --check          verify each FILE as it would be converted; write nothing\n"
        "      --map[=json]     verify as --check does, and print each FILE's map on\n"
        "                       standard output: its runs of data as byte and word\n"
        "                       ranges, start address and totals; one JSON object a\n"
        "                       line with =json\n"
        "  (without either, each record's address field is halved, all else as read)\n"
        "\n"
        "Words:\n"
        "      --word-bits=N    words of N bits: 16 (the default), 24, 32, 40, 48, 56 or\n"
        "                       64; other than 16, whole addresses as --full-address\n"
        "      --swap-bytes     reverse the bytes within each word (whole addresses); a\n"
        "                       record that ends inside a word fails, unless --fill\n"
        "      --fill=BYTE      complete a record's last word with BYTE (0xHH or 0 to\n"
        "                       255; whole addresses)\n"
        "\n"
        "Memories (whole addresses):\n"
        "      --format=FORMAT  ihex (the default), vmem (Verilog $readmemh), mif\n"
        "                       (Intel, needs --depth) or coe (Xilinx, needs --depth\n"
        "                       and --fill); a word's first byte is its most\n"
        "                       significant digits, so little-endian processors want\n"
        "                       --swap-bytes\n"
        "      --base=ADDRESS   the byte address where the memory starts (0xHEX or\n"
        "                       decimal, a multiple of the word's size): word 0; data\n"
        "                       below it fail\n"
        "      --depth=WORDS    the memory's size in words; data beyond it fail; with\n"
        "                       --fill, vmem and coe hold every word\n"
        "      --words-per-record=K\n"
        "                       Intel HEX data records of at most K words\n"
        "\n"
        "Checking:\n"
        "      --strict         fail a FILE for what would be a warning\n"
        "  -q, --quiet          no warnings\n"
        "\n"
        "Output:\n"
        "  -o, --output=OUTPUT  write the converted image to OUTPUT\n"
        "  -d, --output-dir=DIR write each output under DIR (which must exist), with\n"
        "                       its usual name\n"
        "  -h, --help           show this help and exit\n"
        "  -V, --version        show the version and the conversion paths, and exit\n"
        "\n"
        "Messages are in English, or in Russian when the first of LANGUAGE (its first\n"
        "entry), LC_ALL, LC_MESSAGES and LANG that is set begins with \"ru\" (on\n"
        "Windows, when the user interface is Russian).\n"
        "Exit status: 0 when every FILE converted, 1 when any failed, 2 for a usage error.\n",
        // PAGE_TITLE
        "wordhex: Intel HEX byte addresses to word addresses",
        // PAGE_LEAD
        "Converts an Intel HEX file with byte addresses into one with word addresses, or back, or into the word image "
        "that a memory loads, here in your browser: the file is not uploaded anywhere.",
        // PAGE_CONVERSION
        "Conversion",
        // PAGE_MODE
        "Addresses",
        // PAGE_MODE_HALVE
        "Each address halved (the default)",
        // PAGE_MODE_FULL
        "Exact word addresses (--full-address)",
        // PAGE_MODE_BYTES
        "Back to byte addresses (--to-bytes)",
        // PAGE_MODE_WHOLE
        "Whole addresses (the options below need them)",
        // PAGE_MODE_WHOLE_NOTE
        "%1: converted with whole addresses, as with --full-address, not halved.",
        // PAGE_WORD_BITS
        "Word width",
        // PAGE_BITS
        "%1-bit words",
        // PAGE_SWAP
        "Swap the bytes of each word",
        // PAGE_FILL
        "Fill byte",
        // PAGE_FILL_NOTE
        "As --fill takes it: 0xFF, or 0 to 255; empty for none. It completes a record's last word.",
        // PAGE_NONE
        "none",
        // PAGE_MEMORY
        "Memory",
        // PAGE_FORMAT
        "File format",
        // PAGE_FORMAT_IHEX
        "Intel HEX (the default)",
        // PAGE_FORMAT_MIF
        "mif: Intel Quartus, needs a depth",
        // PAGE_FORMAT_COE
        "coe: Xilinx Vivado, needs a depth and a fill byte",
        // PAGE_FORMAT_NOTE
        "As --format writes it: vmem, mif and coe hold the words that a memory loads.",
        // PAGE_FORMAT_BYTES_NOTE
        "Back to byte addresses writes Intel HEX only.",
        // PAGE_BASE
        "Base address",
        // PAGE_BASE_NOTE
        "The byte address of the memory's word 0, as --base takes it: 0x80000000, or decimal; empty for 0.",
        // PAGE_DEPTH
        "Depth, in words",
        // PAGE_DEPTH_NOTE
        "The memory's size, as --depth takes it: data beyond it are refused; empty for no limit.",
        // PAGE_NO_LIMIT
        "no limit",
        // PAGE_WORDS_PER_RECORD
        "Words per record",
        // PAGE_WORDS_PER_RECORD_NOTE
        "Intel HEX data records of at most this many words, as --words-per-record takes it; empty for as many as fit.",
        // PAGE_AS_MANY_AS_FIT
        "as many as fit",
        // PAGE_RECORDS_WHOLE_NOTE
        "Only with whole addresses: choose exact word addresses, or another word width.",
        // PAGE_RECORDS_IHEX_NOTE
        "Only in Intel HEX.",
        // PAGE_CHOOSE
        "Choose a .hex file",
        // PAGE_DROP
        "or drop one onto this page: it is converted with the options above and downloads at once.",
        // PAGE_CHOSEN
        "Chosen: %1",
        // PAGE_PROGRESS
        "Conversion progress",
        // PAGE_CONVERTING
        "Converting %1...",
        // PAGE_DOWNLOAD
        "Download %1",
        // PAGE_DOWNLOAD_AGAIN
        "Download %1 again",
        // PAGE_SUMMARY
        "%1 into %2 (%3): records: %4, %5 into %6, in %7.",
        // PAGE_HALVED
        "addresses halved",
        // PAGE_WHOLE
        "whole addresses",
        // PAGE_TO_BYTES
        "back to byte addresses",
        // PAGE_SWAPPED
        "bytes swapped",
        // PAGE_FILL_IS
        "fill %1",
        // PAGE_FORMAT_IS
        "format %1",
        // PAGE_BASE_IS
        "base %1",
        // PAGE_DEPTH_IS
        "depth %1",
        // PAGE_RECORDS_IS
        "words per record: %1",
        // PAGE_BYTES
        "%1 B",
        // PAGE_KIB
        "%1 KiB",
        // PAGE_MIB
        "%1 MiB",
        // PAGE_GIB
        "%1 GiB",
        // PAGE_MS
        "%1 ms",
        // PAGE_SECONDS
        "%1 s",
        // PAGE_CHANGED
        "%1 has changed or gone away since it was chosen: choose it again.",
        // PAGE_CANNOT_RUN
        "The converter could not run here: %1",
        // PAGE_NO_REASON
        "the browser gave no reason",
        // PAGE_INTERNAL
        "Internal error: %1",
        // PAGE_MAP
        "Map",
        // PAGE_MAP_LEAD
        "The image's data by address: byte addresses on the left, the word addresses they become on the right. Tab "
        "reaches the runs, and the arrow keys go from one to the next.",
        // PAGE_MAP_BYTES
        "Bytes",
        // PAGE_MAP_WORDS
        "Words",
        // PAGE_MAP_GAP
        "%1 gap, shortened",
        // PAGE_MAP_STOPPED
        "What was read before the conversion stopped.",
        // PAGE_MAP_NOT_SHOWN
        "Runs not shown: %1.",
        // PAGE_MAP_TEXT
        "The map as text",
        // PAGE_FOOTER
        "wordhex %1. Works offline, opened from disk or any web server; the page's security policy allows it no "
        "connection, so nothing you choose leaves your machine.",
    },
};
