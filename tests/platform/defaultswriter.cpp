// Helper of tst_defaultsdurability: makes the changes of DefaultsWriterSteps to a defaults file through
// the product's store, one after the other until it is killed, and prints the number of each step on
// standard output once the store has returned from it.
//   defaultswriter FILE
#include "defaultswritersteps.h"
#include "linux/jsonfileuserdefaults.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: defaultswriter FILE\n", stderr);
        return 2;
    }
    JsonFileUserDefaults defaults(QString::fromLocal8Bit(argv[1]));
    if (!defaults.isPersistent() || !defaults.backupPath().isEmpty()) {
        std::fputs("defaultswriter: the file was not usable\n", stderr);
        return 1;
    }
    for (qint64 step = 1;; ++step) {
        DefaultsWriterSteps::apply(defaults, step);
        char line[32];
        const int length = std::snprintf(line, sizeof line, "%lld\n", static_cast<long long>(step));
        if (::write(STDOUT_FILENO, line, size_t(length)) != length)
            return 1;
    }
}
