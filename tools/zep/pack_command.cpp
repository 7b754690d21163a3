// zep pack PRODUCT [--embedded OUT.EXE] [--disks DIR] [--flat DIR] [--images DIR] ...
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "szdd/szdd.h"
#include "tools/zep/commands.h"
#include "tools/zep/file_command.h"
#include "tools/zep/disk_layout.h"
#include "tools/zep/embedded_setup.h"
#include "tools/zep/output.h"
#include "tools/zep/product.h"
#include "tools/zep/script_check.h"
#include "tools/zep/stamp.h"
#include "tools/zep/stub.h"
#include "tools/zep/uninstaller.h"

namespace fs = std::filesystem;

namespace zep::tool {

namespace {

const char kHelp[] =
    "usage: zep pack PRODUCT OUTPUT... [--disk-size SIZE] [--stub SETUP.EXE]\n"
    "                [--stamp \"YYYY-MM-DD HH:MM\"] [--uninstaller] [--uninst-stub UNINST.EXE]\n"
    "                [--force]\n"
    "\n"
    "Makes the forms a product ships in from its product folder: INSTALL.INI, the help\n"
    "file and the files the script names. A file is found by the name its [Disk n] line\n"
    "gives, without regard to case; a name ending in '_' that is not there is made by\n"
    "compressing its original, found by the installed name (its path below the folder,\n"
    "else its file name: SAMPLE.EX_=Target\\SAMPLE.EXE takes SAMPLE.EXE). The help file's\n"
    "source likewise. Files are stored as they would lie on a disk: SZDD-compressed by\n"
    "zep, unless already compressed, or named plainly (no '_') and not compressed.\n"
    "\n"
    "OUTPUT, one or more of:\n"
    "  --embedded OUT.EXE  one setup.exe carrying everything: the script as resource\n"
    "                      12000, the help file as 12001, each [Disk n] line's file from\n"
    "                      12002 on in the script's order; every extracted file gets the\n"
    "                      stamp as its date and time\n"
    "  --disks DIR         DIR/DISK1, DIR/DISK2, ...: setup.exe, the script and the help\n"
    "                      file on disk 1, each disk's files on its disk\n"
    "  --flat DIR          all of it in one folder (a CD-ROM or a network share)\n"
    "  --images DIR        DIR/DISK1.IMG, ...: FAT12 floppy images labelled DISK1, ...,\n"
    "                      made with mtools (Debian package mtools); needs --disk-size\n"
    "\n"
    "  --disk-size SIZE    1.44M, 1.2M, 720K, 360K or a number of bytes: a disk whose\n"
    "                      files do not fit (in the medium's allocation units and root\n"
    "                      directory entries) is refused, naming it and what it lacks\n"
    "  --stub SETUP.EXE    the installer to use (PE32 or PE32+); without it, the i686\n"
    "                      setup.exe zep carries\n"
    "  --uninstaller       add zep's uninstaller even when the script has no UninstallName\n"
    "  --uninst-stub UNINST.EXE  the uninstaller to use; without it, the i686 uninst.exe\n"
    "                      zep carries\n"
    "  --stamp TIME        the stamp, \"YYYY-MM-DD HH:MM\"; else SOURCE_DATE_EPOCH, else\n"
    "                      the newest input's modification time. Files of a disk layout\n"
    "                      keep their own times, but none is later than a stamp given\n"
    "                      this way or by SOURCE_DATE_EPOCH (which also makes the times\n"
    "                      UTC's)\n"
    "  --force             replace output folders that exist and are not empty\n"
    "\n"
    "A script with UninstallName (the uninstall entry names <target>\\uninst.exe) and no\n"
    "[Disk n] line that installs Target\\UNINST.EXE gets zep's uninstaller: one more line,\n"
    "UNINST.EX_=Target\\UNINST.EXE, after the last line of its last disk (in the packed\n"
    "script only; the product folder is not changed). It carries the script and the size\n"
    "and time of every file installed into the target, and removes exactly those that are\n"
    "unchanged (see docs/uninstaller.md). An uninstaller of the author's own is kept.\n"
    "\n"
    "Nothing is written before the script passes the checks of 'zep check' on every\n"
    "platform and display (a WindowsVersion that refuses a platform is only a warning)\n"
    "and every file is found. Each output appears whole under its name or not at all.\n"
    "The same inputs and stamp give the same bytes.\n"
    "Exit status: 0 packed, 1 the product or the stub has errors or a file cannot be\n"
    "read or written, 2 wrong arguments.\n";

constexpr std::uint16_t kWindowsVersionDialog = 2800;

struct Options {
    std::string product;
    std::string embedded, disks, flat, images;
    std::string disk_size, stub, stamp, uninst_stub;
    bool force = false;
    bool uninstaller = false;
};

// 0 to go on, -1 after --help, else the exit status.
int ParseArguments(int argc, char** argv, Options& o) {
    const std::map<std::string, std::string*> valued = {
        {"--embedded", &o.embedded}, {"--disks", &o.disks}, {"--flat", &o.flat},  {"--images", &o.images},
        {"--disk-size", &o.disk_size}, {"--stub", &o.stub}, {"--stamp", &o.stamp}, {"--uninst-stub", &o.uninst_stub}};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return -1;
        }
        auto it = valued.find(arg);
        if (it != valued.end()) {
            if (i + 1 == argc || argv[i + 1][0] == '\0') {
                std::fprintf(stderr, "zep pack: %s needs a value\n", arg.c_str());
                return 2;
            }
            if (!it->second->empty()) {
                std::fprintf(stderr, "zep pack: %s is given twice\n", arg.c_str());
                return 2;
            }
            *it->second = argv[++i];
        } else if (arg == "--force") {
            o.force = true;
        } else if (arg == "--uninstaller") {
            o.uninstaller = true;
        } else if (!arg.empty() && arg[0] != '-' && o.product.empty()) {
            o.product = arg;
        } else {
            std::fprintf(stderr, "zep pack: unexpected argument '%s'\n\n%s", arg.c_str(), kHelp);
            return 2;
        }
    }
    const char* problem = nullptr;
    if (o.product.empty()) problem = "no product folder given";
    else if (o.embedded.empty() && o.disks.empty() && o.flat.empty() && o.images.empty()) problem = "no output given";
    else if (!o.images.empty() && o.disk_size.empty()) problem = "--images needs --disk-size";
    else if (!o.disk_size.empty() && o.disks.empty() && o.images.empty()) problem = "--disk-size goes with --disks or --images";
    if (problem != nullptr) {
        std::fprintf(stderr, "zep pack: %s\n\n%s", problem, kHelp);
        return 2;
    }
    std::string error;
    Stamp stamp;
    Medium medium;
    if ((!o.stamp.empty() && !StampFromText(o.stamp, false, stamp, error)) ||
        (!o.disk_size.empty() && !ParseDiskSize(o.disk_size, medium, error))) {
        std::fprintf(stderr, "zep pack: %s\n", error.c_str());
        return 2;
    }
    if (!o.images.empty() && medium.mformat_size == 0) {
        std::fprintf(stderr, "zep pack: --images needs a floppy size (1.44M, 1.2M, 720K, 360K), not %s\n",
                     o.disk_size.c_str());
        return 2;
    }
    return 0;
}

bool ReadWholeFile(const fs::path& path, std::vector<std::uint8_t>& out, std::string& error) {
    return ReadInput(path.string(), 0xFFFFFFFFu, "the 4294967295 zep pack reads", out, error);
}

std::int64_t Seconds(fs::file_time_type t) {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::file_clock::to_sys(t).time_since_epoch())
        .count();
}

// One product file, ready to be written.
struct Packed {
    const ProductFile* file;
    pe::Bytes stored;
    std::int64_t seconds;  // for disk layouts
};

class Packer {
public:
    explicit Packer(const Options& o) : o_(o) {}

    int run() {
        if (!read_stub()) return 1;
        folder_.emplace(o_.product);
        std::error_code ec;
        if (!fs::is_directory(o_.product, ec)) return fail(o_.product + ": not a folder");
        script_path_ = folder_->find(stub_.script_name);
        if (script_path_.empty()) return fail(o_.product + ": has no " + stub_.script_name);
        std::vector<std::uint8_t> script;
        std::string error;
        if (!ReadWholeFile(script_path_, script, error)) return fail(script_path_.string() + ": " + error);
        script_.assign(script.begin(), script.end());
        if (!outputs_allowed()) return 1;
        if (!check()) return 1;
        if (!ReadProductScript(script_, stub_.script_name, product_, error)) return fail(script_path_.string() + ": " + error);
        if (WantsUninstaller(script_, product_, o_.uninstaller) && !add_uninstaller()) return 1;
        if (!find_files()) return 1;
        if (!choose_stamp()) return 1;
        if (!load_files()) return 1;
        if (uninstaller_ != nullptr && !make_uninstaller()) return 1;
        if (!o_.disk_size.empty()) ParseDiskSize(o_.disk_size, medium_, error);  // checked with the arguments
        std::vector<Disk> disks;
        Disk flat{0, {}};
        if ((!o_.disks.empty() || !o_.images.empty()) && !lay_out_disks(disks)) return 1;
        if (!o_.flat.empty() && !lay_out_flat(flat)) return 1;
        return write(disks, flat) ? 0 : 1;
    }

private:
    int fail(const std::string& message) {
        std::fprintf(stderr, "zep pack: %s\n", message.c_str());
        return 1;
    }
    bool refuse(const std::string& message) {
        fail(message);
        return false;
    }

    bool read_stub() {
        std::string error;
        std::vector<std::uint8_t> bytes;
        std::string label = o_.stub;
        if (o_.stub.empty()) {
            if (kStub_size == 0) {
                fail("this zep carries no setup.exe (built without ZEP_WIN32_BUILD_DIR): give --stub SETUP.EXE");
                return false;
            }
            bytes.assign(kStub, kStub + kStub_size);
            label = "the setup.exe zep carries";
        } else if (!ReadWholeFile(o_.stub, bytes, error)) {
            fail(o_.stub + ": " + error);
            return false;
        }
        stub_bytes_ = std::make_shared<const std::vector<std::uint8_t>>(bytes);
        if (!ReadStub(std::move(bytes), stub_, error)) {
            fail(label + ": " + error);
            return false;
        }
        return true;
    }

    bool outputs_allowed() {
        std::string error;
        std::error_code ec;
        const fs::path product = fs::weakly_canonical(o_.product, ec);
        for (const std::string* target : {&o_.disks, &o_.flat, &o_.images}) {
            if (target->empty()) continue;
            // Replacing a folder that holds the product would lose the author's files.
            const fs::path out = fs::weakly_canonical(*target, ec);
            const auto [o, p] = std::mismatch(out.begin(), out.end(), product.begin(), product.end());
            if (o == out.end()) {
                fail(*target + ": holds the product folder; name a folder outside it");
                return false;
            }
            folders_.push_back(std::make_unique<PendingFolder>(*target));
            if (!folders_.back()->allowed(o_.force, error)) {
                fail(error);
                return false;
            }
        }
        if (!o_.embedded.empty() && fs::is_directory(o_.embedded, ec)) {
            fail(o_.embedded + ": is a folder; --embedded names the setup.exe to write");
            return false;
        }
        return true;
    }

    bool check() {
        CheckOptions options;
        options.platforms = KnownPlatforms();
        options.displays = {0, 1, 2};
        options.folder = o_.product;
        options.report_missing_files = false;
        int errors = 0;
        for (Finding& f : CheckScript(script_, options)) {
            if (f.error && f.dialog == kWindowsVersionDialog) {
                f.error = false;
                f.message = "the product refuses " + Join(f.where) + ": " + f.message;
            }
            errors += f.error;
            std::fprintf(f.error ? stderr : stdout, "%s\n", FormatFinding(f, script_path_.string(), 9).c_str());
        }
        if (errors > 0) {
            fail(std::to_string(errors) + " error" + (errors == 1 ? "" : "s") + " in " + script_path_.string() +
                 "; nothing written");
        }
        return errors == 0;
    }

    static std::string Join(const std::vector<std::string>& where) {
        std::string out;
        for (const std::string& w : where) out += (out.empty() ? "" : ", ") + w;
        return out;
    }

    // The packed script gets the uninstaller's line; the author's lines keep their numbers
    // in messages.
    bool add_uninstaller() {
        std::string error;
        std::vector<std::uint8_t> stub;
        if (!o_.uninst_stub.empty()) {
            if (!ReadWholeFile(o_.uninst_stub, stub, error)) return refuse(o_.uninst_stub + ": " + error);
        } else if (kUninstStub_size != 0) {
            stub.assign(kUninstStub, kUninstStub + kUninstStub_size);
        } else {
            return refuse("this zep carries no uninst.exe (built without ZEP_WIN32_BUILD_DIR): give --uninst-stub UNINST.EXE");
        }
        uninst_stub_ = std::move(stub);
        int added = 0;
        std::string script;
        if (!AddUninstallerLine(script_, static_cast<int>(product_.disk_names.size()), script, added, error) ||
            !ReadProductScript(script, stub_.script_name, product_, error)) {
            return refuse(script_path_.string() + ": " + error);
        }
        script_ = std::move(script);
        for (ProductFile& f : product_.files) {
            if (f.line == added) {
                f.line = 0;
                uninstaller_ = &f;
            } else if (f.line > added) {
                --f.line;
            }
        }
        return uninstaller_ != nullptr || refuse(script_path_.string() + ": the uninstaller's line does not load");
    }

    // The uninstaller's data: each file's size, and its time whether it is installed from
    // the embedded setup.exe (the stamp) or from disks (the time it has there).
    bool make_uninstaller() {
        std::vector<std::vector<PackedLine>> ways(2);
        std::size_t n = 0;
        for (const Packed& p : packed_) {
            const ProductFile& f = *p.file;
            if (f.role == ProductFile::Role::kScript) continue;
            const Origin& o = origins_[n++];
            if (f.role != ProductFile::Role::kDisk || &f == uninstaller_) continue;
            PackedLine line = LineOf(f, o.expanded_size);
            line.dos_date = stamp_.dos_date;
            line.dos_time = stamp_.dos_time;
            ways[0].push_back(line);
            Stamp on_disk;
            std::string error;
            if (!StampFromSeconds(p.seconds, stamp_.utc, false, on_disk, error)) return refuse(error);
            line.dos_date = on_disk.dos_date;
            line.dos_time = on_disk.dos_time;
            ways[1].push_back(line);
        }
        std::vector<std::uint8_t> exe;
        std::string error;
        const std::string label = o_.uninst_stub.empty() ? "the uninst.exe zep carries" : o_.uninst_stub;
        if (!MakeUninstaller(uninst_stub_, script_, ways, exe, error)) return refuse(label + ": " + error);
        auto stored = std::make_shared<std::vector<std::uint8_t>>();
        szdd::Compress(exe.data(), exe.size(), 'E', *stored);  // UNINST.EXE's last character, as zep expand restores it
        for (Packed& p : packed_) {
            if (p.file == uninstaller_) p.stored = stored;
        }
        uninstaller_size_ = exe.size();
        return true;
    }

    bool find_files() {
        int missing = 0;
        for (const ProductFile& f : product_.files) {
            if (f.role == ProductFile::Role::kScript) continue;
            if (&f == uninstaller_) {  // made by zep, after the other files are read
                origins_.push_back({});
                continue;
            }
            Origin o = folder_->origin(f.name, f.installed);
            if (o.kind == Origin::Kind::kMissing) {
                ++missing;
                std::string text = script_path_.string() + ":" + std::to_string(f.line) + ": error: " +
                                   (f.role == ProductFile::Role::kHelp ? "the help file " : "") + f.name +
                                   " is not in " + o_.product;
                if (!f.name.empty() && f.name.back() == '_') text += ", nor its original (" + f.installed + ")";
                std::fprintf(stderr, "%s\n", text.c_str());
            }
            origins_.push_back(std::move(o));
        }
        if (missing > 0) {
            fail(std::to_string(missing) + " file" + (missing == 1 ? "" : "s") + " missing; nothing written");
        }
        return missing == 0;
    }

    bool choose_stamp() {
        std::string error;
        const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
        const bool utc = epoch != nullptr && *epoch != '\0';
        bool ok;
        if (!o_.stamp.empty()) {
            ok = StampFromText(o_.stamp, utc, stamp_, error);
        } else if (utc) {
            const std::string text = epoch;
            if (text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) {
                fail("SOURCE_DATE_EPOCH is not a number of seconds: " + text);
                return false;
            }
            ok = StampFromSeconds(std::stoll(text), true, true, stamp_, error);
        } else {
            std::error_code ec;
            std::int64_t newest = Seconds(fs::last_write_time(script_path_, ec));
            for (const Origin& o : origins_) {
                if (o.kind != Origin::Kind::kMissing) newest = std::max(newest, Seconds(o.time));
            }
            ok = StampFromSeconds(newest, false, false, stamp_, error);
        }
        if (!ok) fail(error);
        return ok;
    }

    std::int64_t clamp(std::int64_t seconds) const {
        return stamp_.given && seconds > stamp_.seconds ? stamp_.seconds : seconds;
    }

    // The stored bytes of every file, on as many threads as there are cores. A file that
    // is named twice is read once.
    bool load_files() {
        struct Job {
            const Origin* origin;
            pe::Bytes result;
            std::string error;
        };
        std::vector<Job> jobs;
        std::map<std::tuple<std::string, int, int>, std::size_t> index;
        std::vector<std::size_t> job_of;
        constexpr std::size_t kMade = static_cast<std::size_t>(-1);  // the uninstaller, made later
        for (const Origin& o : origins_) {
            if (o.kind == Origin::Kind::kMissing) {
                job_of.push_back(kMade);
                continue;
            }
            auto key = std::make_tuple(o.path.string(), static_cast<int>(o.kind), static_cast<int>(o.missing_char));
            auto [it, fresh] = index.emplace(key, jobs.size());
            if (fresh) jobs.push_back({&o, nullptr, {}});
            job_of.push_back(it->second);
        }
        std::vector<std::size_t> order(jobs.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return jobs[a].origin->expanded_size > jobs[b].origin->expanded_size;
        });
        std::atomic<std::size_t> next{0};
        auto work = [&] {
            for (std::size_t k; (k = next++) < order.size();) {
                Job& job = jobs[order[k]];
                try {
                    auto bytes = std::make_shared<std::vector<std::uint8_t>>();
                    if (LoadStored(*job.origin, *bytes, job.error)) job.result = std::move(bytes);
                } catch (const std::exception& e) {
                    job.error = job.origin->path.string() + ": " + e.what();
                }
            }
        };
        const unsigned threads = std::max(1u, std::min<unsigned>(std::thread::hardware_concurrency(),
                                                                   static_cast<unsigned>(jobs.size())));
        std::vector<std::thread> helpers;
        for (unsigned t = 1; t < threads; ++t) {
            try {
                helpers.emplace_back(work);
            } catch (const std::system_error&) {
                break;  // fewer threads then
            }
        }
        work();
        for (std::thread& t : helpers) t.join();
        bool ok = true;
        std::vector<bool> told(jobs.size());
        std::size_t n = 0;
        for (const ProductFile& f : product_.files) {
            if (f.role == ProductFile::Role::kScript) {
                auto plain = std::make_shared<const std::vector<std::uint8_t>>(script_.begin(), script_.end());
                std::error_code ec;
                packed_.push_back({&f, plain, clamp(Seconds(fs::last_write_time(script_path_, ec)))});
                continue;
            }
            if (job_of[n] == kMade) {
                packed_.push_back({&f, nullptr, stamp_.seconds});
                ++n;
                continue;
            }
            const Job& job = jobs[job_of[n]];
            const Origin& o = origins_[n];
            if (!job.result) {
                if (!told[job_of[n]]) fail(job.error);  // a file named twice is told of once
                told[job_of[n]] = true;
                ok = false;
                ++n;
                continue;
            }
            ++n;
            if (job.result->size() > 0x7FFFFFFF) {
                fail(script_path_.string() + ":" + std::to_string(f.line) + ": " + f.name +
                     " is over 2 GB stored, more than a 32-bit installer can handle");
                ok = false;
            }
            packed_.push_back({&f, job.result, clamp(Seconds(o.time))});
        }
        return ok;
    }

    // One file of a layout; false when the disk already holds another of that name.
    bool place(Disk& disk, const std::string& name, pe::Bytes data, std::int64_t seconds, int line,
               std::map<std::string, std::pair<pe::Bytes, int>>& names) {
        std::string key = name;
        for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        auto [it, fresh] = names.emplace(key, std::make_pair(data, line));
        if (!fresh) {
            if (*it->second.first == *data) return true;
            std::string where = disk.number > 0 ? "disk " + std::to_string(disk.number) : "the flat layout";
            fail(script_path_.string() + ":" + std::to_string(line) + ": " + name + " is on " + where + " already" +
                 (it->second.second > 0 ? " (line " + std::to_string(it->second.second) + ")" : std::string()) +
                 ", with other contents");
            return false;
        }
        disk.files.push_back({name, std::move(data), seconds});
        return true;
    }

    bool lay_out(std::vector<Disk>& disks, bool flat) {
        std::vector<std::map<std::string, std::pair<pe::Bytes, int>>> names(disks.size());
        bool ok = place(disks[0], "SETUP.EXE", stub_bytes_, stamp_.seconds, 0, names[0]);
        for (const Packed& p : packed_) {
            const std::size_t d = flat ? 0 : static_cast<std::size_t>(p.file->disk - 1);
            if (d >= disks.size()) continue;
            ok = place(disks[d], p.file->name, p.stored, p.seconds, p.file->line, names[d]) && ok;
        }
        return ok;
    }

    bool lay_out_disks(std::vector<Disk>& disks) {
        for (std::size_t n = 1; n <= product_.disk_names.size(); ++n) disks.push_back({static_cast<int>(n), {}});
        if (disks.empty() || !lay_out(disks, false)) return false;
        if (o_.disk_size.empty()) return true;
        bool ok = true;
        const std::uint64_t capacity = medium_.clusters * medium_.cluster_bytes;
        for (const Disk& disk : disks) {
            const DiskUse use = Measure(disk, medium_);
            if (use.bytes > capacity) {
                fail("disk " + std::to_string(disk.number) + " does not fit on a " + medium_.name + " disk: " +
                     std::to_string(use.bytes - capacity) + " bytes over (its files take " + std::to_string(use.bytes) +
                     " of " + std::to_string(capacity) + " bytes, counted in " + std::to_string(medium_.cluster_bytes) +
                     "-byte units)");
                ok = false;
            }
            if (medium_.root_entries != 0 && use.root_entries > medium_.root_entries) {
                fail("disk " + std::to_string(disk.number) + " does not fit on a " + medium_.name + " disk: its root " +
                     "folder needs " + std::to_string(use.root_entries) + " entries (with the label and long names), " +
                     std::to_string(use.root_entries - medium_.root_entries) + " more than the " +
                     std::to_string(medium_.root_entries) + " it has");
                ok = false;
            }
        }
        return ok;
    }

    bool lay_out_flat(Disk& flat) {
        std::vector<Disk> one = {flat};
        if (!lay_out(one, true)) return false;
        flat = std::move(one[0]);
        return true;
    }

    std::vector<Payload> payload() {
        std::vector<Payload> out;
        for (const Packed& p : packed_) {
            if (p.file->role != ProductFile::Role::kScript) {
                out.push_back({p.file->resource_id, p.stored});
                continue;
            }
            // The script is compressed like any other file, as SCRIPT.IN_ would be.
            auto packed = std::make_shared<std::vector<std::uint8_t>>();
            const std::uint8_t last = p.file->name.empty() ? 0 : static_cast<std::uint8_t>(p.file->name.back());
            szdd::Compress(p.stored->data(), p.stored->size(), last, *packed);
            out.push_back({kScriptId, std::move(packed)});
        }
        return out;
    }

    bool write(const std::vector<Disk>& disks, const Disk& flat) {
        std::string error;
        std::optional<PendingFile> exe;
        std::uint64_t exe_size = 0;
        if (!o_.embedded.empty()) {
            EmbeddedWriter writer(stub_);
            if (!writer.build(payload(), stamp_, error)) return refuse(o_.embedded + ": " + error);
            exe.emplace(o_.embedded);
            std::FILE* f = std::fopen(exe->temporary().c_str(), "wb");
            bool ok = f != nullptr && pe::WriteChunks(f, writer.chunks());
            ok = f != nullptr && std::fclose(f) == 0 && ok;
            if (!ok) return refuse(o_.embedded + ": cannot write: " + std::strerror(errno));
            exe_size = writer.size();
        }
        std::size_t k = 0;
        if (!o_.disks.empty()) {
            PendingFolder& out = *folders_[k++];
            if (!out.begin(error)) return refuse(error);
            for (const Disk& d : disks) {
                const fs::path dir = out.temporary() / ("DISK" + std::to_string(d.number));
                fs::create_directories(dir);
                if (!WriteDiskFolder(dir, d, false, error)) return refuse(error);
            }
        }
        if (!o_.flat.empty()) {
            PendingFolder& out = *folders_[k++];
            if (!out.begin(error) || !WriteDiskFolder(out.temporary(), flat, false, error)) return refuse(error);
        }
        if (!o_.images.empty()) {
            PendingFolder& out = *folders_[k++];
            if (!out.begin(error)) return refuse(error);
            for (const Disk& d : disks) {
                const fs::path image = out.temporary() / ("DISK" + std::to_string(d.number) + ".IMG");
                if (!WriteDiskImage(image, d, medium_, stamp_, error)) return refuse(error);
            }
        }
        // Everything is made: now put it in place.
        if (exe && !exe->commit(error)) return refuse(error);
        for (auto& folder : folders_) {
            if (!folder->commit(error)) return refuse(error);
        }
        report(disks, flat, exe_size);
        return true;
    }

    void report(const std::vector<Disk>& disks, const Disk& flat, std::uint64_t exe_size) {
        std::uint64_t stored = 0, expanded = 0;
        for (std::size_t i = 0; i < origins_.size(); ++i) expanded += origins_[i].expanded_size;
        for (const Packed& p : packed_) {
            if (p.file->role != ProductFile::Role::kScript) stored += p.stored->size();
        }
        std::printf("%zu files, %llu bytes stored (%llu expanded); stamp %s\n", packed_.size(),
                    static_cast<unsigned long long>(stored), static_cast<unsigned long long>(expanded),
                    DosDateTimeText(stamp_.dos_date, stamp_.dos_time).c_str());
        if (uninstaller_ != nullptr) {
            std::printf("uninstaller added: UNINST.EX_=Target\\UNINST.EXE on disk %d (%llu bytes)\n", uninstaller_->disk,
                        static_cast<unsigned long long>(uninstaller_size_));
        }
        if (!o_.embedded.empty()) {
            std::printf("%s: %llu bytes\n", o_.embedded.c_str(), static_cast<unsigned long long>(exe_size));
        }
        const std::uint64_t capacity = medium_.clusters * medium_.cluster_bytes;
        for (const Disk& d : disks) {
            const DiskUse use = Measure(d, medium_);
            std::printf("%s: disk %d, %zu files, %llu bytes", (o_.disks.empty() ? o_.images : o_.disks).c_str(),
                        d.number, d.files.size(), static_cast<unsigned long long>(use.bytes));
            if (!o_.disk_size.empty()) {
                std::printf(" of %llu", static_cast<unsigned long long>(capacity));
            }
            std::printf("\n");
        }
        if (!o_.flat.empty()) std::printf("%s: %zu files\n", o_.flat.c_str(), flat.files.size());
    }

    const Options& o_;
    Stub stub_;
    pe::Bytes stub_bytes_;
    std::optional<ProductFolder> folder_;
    fs::path script_path_;
    std::string script_;
    ProductScript product_;
    std::vector<Origin> origins_;  // of product_.files but the script, in order
    std::vector<Packed> packed_;   // of every file, in order
    const ProductFile* uninstaller_ = nullptr;  // the line zep added, when it did
    std::vector<std::uint8_t> uninst_stub_;
    std::uint64_t uninstaller_size_ = 0;
    Stamp stamp_;
    Medium medium_;
    std::vector<std::unique_ptr<PendingFolder>> folders_;  // disks, flat, images, as given
};

}  // namespace

int PackCommand(int argc, char** argv) {
    Options options;
    if (int status = ParseArguments(argc, argv, options); status != 0) return status < 0 ? 0 : status;
    try {
        return Packer(options).run();
    } catch (const std::exception& e) {  // out of memory, a path the system refuses
        std::fprintf(stderr, "zep pack: %s\n", e.what());
        return 1;
    }
}

}  // namespace zep::tool
