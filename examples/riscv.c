/* A bare-metal RV32I program for a soft processor whose memory starts at
   0x80000000: it greets on a UART, then shows the CRC-32 of its greeting on
   the LEDs. Built by scripts/riscv-example into riscv.hex. */
#define UART (*(volatile unsigned char *)0x10000000)
#define LEDS (*(volatile unsigned *)0x10001000)

static const char greeting[] = "wordhex on RV32I\n";

static unsigned crc32(const char *s) {
  unsigned crc = 0xFFFFFFFF;
  for (; *s; s++) {
    crc ^= (unsigned char)*s;
    for (int bit = 0; bit < 8; bit++) crc = crc >> 1 ^ (0xEDB88320 & -(crc & 1));
  }
  return ~crc;
}

int main(void) {
  for (const char *s = greeting; *s; s++) UART = *s;
  LEDS = crc32(greeting);
  for (;;) {
  }
}

/* The reset vector: a stack at the top of 64 KiB of memory, then main. */
__attribute__((naked, section(".text.start"))) void _start(void) {
  __asm__(
      "li sp, 0x80010000\n"
      "call main\n");
}
