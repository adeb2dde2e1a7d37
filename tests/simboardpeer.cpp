// A second process on the simulated board, for tests that check what one
// process sees of another's calls. It runs the steps given as arguments in
// order against the board named by the environment, printing one line per
// value it reads:
//   handle              print usb_hid_init()
//   read ADDR           print spi_read() with the current handle
//   write ADDR DATA     spi_write() with the current handle
//   plug 0|1            unplug or plug in the board
//   reset               power-on state
//   battery MV          hold the battery at MV millivolts (negative: drift)
//   await               wait for a line on standard input
//   every               print the results of all eight library calls, in the
//                       order of the interface, made with handle 1
// Numbers are decimal. Exit status 1 when a write fails or a read gives -1,
// 2 on a malformed step.

#include "device/hid2.h"
#include "hid2sim.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int ok = 0;
constexpr int callFailed = 1;
constexpr int badUsage = 2;

bool number(const char *text, int &value)
{
    char *end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    value = static_cast<int>(parsed);
    return end != text && *end == '\0';
}

} // namespace

int main(int argc, char *argv[])
{
    int status = ok;
    for (int i = 1; i < argc; ++i) {
        const char *step = argv[i];
        const int left = argc - i - 1;
        int a = 0;
        int b = 0;
        if (std::strcmp(step, "handle") == 0) {
            std::printf("%d\n", usb_hid_init());
        } else if (std::strcmp(step, "await") == 0) {
            std::fflush(stdout);
            for (int c = std::getchar(); c != '\n' && c != EOF; c = std::getchar()) {
            }
        } else if (std::strcmp(step, "every") == 0) {
            constexpr int handle = 1;
            const int results[] = {usb_hid_init(),
                                   init_controller(handle),
                                   set_pin_dir(handle, 3, 1, 1, 0),
                                   set_pin(handle, 3, 1, 1, 0),
                                   read_pin(handle, 3, 2, 0),
                                   spi_read(handle, 7, 0),
                                   spi_write(handle, 7, 14, 0),
                                   measure(handle, 7, 0, 0)};
            const char *separator = "";
            for (const int result : results) {
                std::printf("%s%d", separator, result);
                separator = " ";
            }
            std::printf("\n");
        } else if (std::strcmp(step, "reset") == 0) {
            hid2sim_reset();
        } else if (std::strcmp(step, "read") == 0 && left >= 1 && number(argv[i + 1], a)) {
            const int value = spi_read(usb_hid_init(), a, 0);
            std::printf("%d\n", value);
            status = value == -1 ? callFailed : status;
            i += 1;
        } else if (std::strcmp(step, "write") == 0 && left >= 2 && number(argv[i + 1], a)
                   && number(argv[i + 2], b)) {
            status = spi_write(usb_hid_init(), a, b, 0) == 0 ? callFailed : status;
            i += 2;
        } else if (std::strcmp(step, "plug") == 0 && left >= 1 && number(argv[i + 1], a)) {
            hid2sim_set_plugged(a);
            i += 1;
        } else if (std::strcmp(step, "battery") == 0 && left >= 1 && number(argv[i + 1], a)) {
            hid2sim_set_battery_mv(a);
            i += 1;
        } else {
            std::fprintf(stderr, "simboardpeer: bad step %s\n", step);
            return badUsage;
        }
    }
    return status;
}
