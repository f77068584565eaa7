// The texts of "tkb --help" and "tkb COMMAND --help".
#include <map>

#include "command_line.h"

namespace tkbctl::cli {

namespace {

constexpr const char* kOverview =
    "Usage: tkb [-b N] COMMAND [ARGUMENTS] [OPTIONS]\n"
    "\n"
    "Command-line access to TKB/TKR boards through TKR50API.\n"
    "\n"
    "Commands:\n"
    "  list [--json]                                  boards present, with model and versions\n"
    "  i2c read SLAVE SUB COUNT [--word] [--repeated-start]\n"
    "                                                 read COUNT bytes of an I2C device\n"
    "  i2c write SLAVE SUB BYTE... [--word]           write bytes to an I2C device\n"
    "  fpga read ADDR [COUNT]                         read COUNT 32-bit FPGA registers\n"
    "  fpga write ADDR VALUE                          write one 32-bit FPGA register\n"
    "  dump SLAVE [FIRST LAST] [--word] [--setting-file]\n"
    "                                                 register table of an I2C device\n"
    "  run FILE [--slave S] [--word] [--dry-run]      write a setting file to the board\n"
    "  settings show [--json]                         the board settings, field by field\n"
    "  settings set FIELD=VALUE...                    change board settings, verified\n"
    "  settings backup FILE                           save the 512-byte settings block\n"
    "  settings restore FILE [--force]                write a saved block back, verified\n"
    "  update fx3|fpga|multi FILE [--yes]             write and verify a firmware image\n"
    "  status [--watch]                               the board status report\n"
    "\n"
    "Options:\n"
    "  -b N        use board index N (0 to 4; default 0); comes before the command\n"
    "  --help      show this text, or a command's with 'tkb COMMAND --help'\n"
    "  --version   show the version of tkb\n"
    "\n"
    "Addresses, values and data bytes are hexadecimal, with an optional 0x; counts are decimal.\n"
    "Exit status: 0 done, 1 the board or an operation failed, 2 malformed command (nothing sent).\n";

const std::map<std::string, std::string>& CommandHelp() {
    static const std::map<std::string, std::string> help = {
        {"list",
         "Usage: tkb list [--json]\n"
         "\n"
         "Lists the boards the library opens, from index 0 up to the first gap (at most 5), with\n"
         "model name, board type, board ID, FX3 and FPGA versions and USB speed (when one board\n"
         "is present and the platform can tell).\n"
         "\n"
         "  --json   a JSON array of objects: index, model, board_type, board_id, fx3_version,\n"
         "           fpga_version, usb\n"},
        {"i2c",
         "Usage: tkb [-b N] i2c read SLAVE SUB COUNT [--word] [--repeated-start]\n"
         "       tkb [-b N] i2c write SLAVE SUB BYTE... [--word]\n"
         "\n"
         "Reads or writes registers of the I2C device at SLAVE (7-bit, hexadecimal; 08 is the\n"
         "FPGA, see 'tkb fpga --help'). A read prints the bytes as two hexadecimal digits each,\n"
         "joined by commas.\n"
         "\n"
         "  --word             16-bit sub-address (high byte first)\n"
         "  --repeated-start   one combined transfer; without it the sub-address is written and\n"
         "                     the bytes are read in a separate transfer\n"},
        {"fpga",
         "Usage: tkb [-b N] fpga read ADDR [COUNT]\n"
         "       tkb [-b N] fpga write ADDR VALUE\n"
         "\n"
         "Reads COUNT (decimal, default 1, at most 1024) 32-bit FPGA registers from ADDR on, one\n"
         "line each as '0xADDRESS 0xVALUE', or writes VALUE to the register at ADDR.\n"},
        {"dump",
         "Usage: tkb [-b N] dump SLAVE [FIRST LAST] [--word] [--setting-file]\n"
         "\n"
         "Reads the registers FIRST to LAST (hexadecimal, default 00 to FF) of the I2C device at\n"
         "SLAVE and prints them as a table, 16 to a row.\n"
         "\n"
         "  --word           16-bit sub-addresses\n"
         "  --setting-file   print a setting file (CR LF line ends) that writes the registers\n"
         "                   back: 'tkb run FILE' (with --word when dumped with --word)\n"},
        {"run",
         "Usage: tkb [-b N] run FILE [--slave S] [--word] [--dry-run]\n"
         "\n"
         "Writes the setting file FILE to the board as the control program does: SLAVE, UNIT and\n"
         "wt lines, one register write per data line.\n"
         "\n"
         "  --slave S   slave address before the file's first SLAVE line\n"
         "  --word      16-bit sub-addresses\n"
         "  --dry-run   print each write and wait, touch no board\n"},
        {"settings",
         "Usage: tkb [-b N] settings show [--json]\n"
         "       tkb [-b N] settings set FIELD=VALUE...\n"
         "       tkb [-b N] settings backup FILE\n"
         "       tkb [-b N] settings restore FILE [--force]\n"
         "\n"
         "show      every field of the board settings by its name, with value and meaning\n"
         "set       changes fields (decimal values; UVC_FPS as text), writes the block and\n"
         "          verifies it by reading it back\n"
         "backup    writes the whole 512-byte block as read to FILE\n"
         "restore   writes a backup back (the length the control program writes for the model)\n"
         "          and verifies it; refuses a file that is not 512 bytes or whose UVC check\n"
         "          fails, unless --force\n"},
        {"update",
         "Usage: tkb [-b N] update fx3|fpga|multi FILE [--yes]\n"
         "\n"
         "Writes the image FILE into the board's flash where the control program writes it for\n"
         "the board's model, reads it back and compares. FPGA images are at most 524288 bytes.\n"
         "A multi image that covers the settings block keeps the block: it is saved first,\n"
         "written back after the image and verified. Ctrl-C does not stop an update under way:\n"
         "a board left with half an image does not start.\n"
         "Progress goes to standard error: on a terminal a bar for the write and for the\n"
         "verification, with bytes, rate and time left; otherwise one line as each step starts\n"
         "and one as it ends.\n"
         "\n"
         "  --yes   do not ask; without it the update asks on the terminal and, without a\n"
         "          terminal, does nothing and fails\n"},
        {"status",
         "Usage: tkb [-b N] status [--watch]\n"
         "\n"
         "Prints the board status report of the control program.\n"
         "\n"
         "  --watch   refresh it every second until interrupted (Ctrl-C)\n"},
    };
    return help;
}

}  // namespace

std::string HelpText(const std::string& topic) {
    const std::string family = topic.substr(0, topic.find(' '));
    const auto found = CommandHelp().find(family);
    return found == CommandHelp().end() ? kOverview : found->second;
}

}  // namespace tkbctl::cli
