// The simulated process: version, directories, errors, atoms, movable memory, text, and
// the module's resources.
#include <cstring>

#include "platform/sim/code_pages.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/text_rules.h"

namespace zep::sim {

namespace {

constexpr Atom kFirstStringAtom = 0xC000;
constexpr std::size_t kMaxAtoms = 0x3FFF;
constexpr Hglobal kResourceHandles = 0x80000;
constexpr Hgdiobj kStockBitmap = 0x1FFF;

std::uint32_t CopyOut(const std::string& text, char* buf, std::uint32_t size) {
    if (size <= text.size()) return static_cast<std::uint32_t>(text.size() + 1);
    std::memcpy(buf, text.c_str(), text.size() + 1);
    return static_cast<std::uint32_t>(text.size());
}

// The system's English texts for the errors an installation meets.
const char* SystemMessage(std::uint32_t code) {
    switch (code) {
        case 0: return "The operation completed successfully.\r\n";
        case 1: return "Incorrect function.\r\n";
        case 2: return "The system cannot find the file specified.\r\n";
        case 3: return "The system cannot find the path specified.\r\n";
        case 4: return "The system cannot open the file.\r\n";
        case 5: return "Access is denied.\r\n";
        case 6: return "The handle is invalid.\r\n";
        case 8: return "Not enough memory resources are available to process this command.\r\n";
        case 13: return "The data is invalid.\r\n";
        case 15: return "The system cannot find the drive specified.\r\n";
        case 19: return "The media is write protected.\r\n";
        case 21: return "The device is not ready.\r\n";
        case 23: return "Data error (cyclic redundancy check).\r\n";
        case 25: return "The drive cannot locate a specific area or track on the disk.\r\n";
        case 29: return "The system cannot write to the specified device.\r\n";
        case 30: return "The system cannot read from the specified device.\r\n";
        case 31: return "A device attached to the system is not functioning.\r\n";
        case 32: return "The process cannot access the file because it is being used by another process.\r\n";
        case 33: return "The process cannot access the file because another process has locked a portion of the file.\r\n";
        case 38: return "Reached the end of the file.\r\n";
        case 80: return "The file exists.\r\n";
        case 112: return "There is not enough space on the disk.\r\n";
        case 122: return "The data area passed to a system call is too small.\r\n";
        case 123: return "The filename, directory name, or volume label syntax is incorrect.\r\n";
        case 206: return "The filename or extension is too long.\r\n";
        case 1812: return "The specified image file did not contain a resource section.\r\n";
        case 1813: return "The specified resource type cannot be found in the image file.\r\n";
        case 1814: return "The specified resource name cannot be found in the image file.\r\n";
        case 1460: return "This operation returned because the timeout period expired.\r\n";
        default: return nullptr;
    }
}

}  // namespace

SimPlatform::SimPlatform(Machine& machine, std::string module)
    : machine_(machine), module_(std::move(module)), thread_(machine.next_thread_id()) {
    std::size_t cut = module_.rfind('\\');
    cwd_.current = cut == std::string::npos ? "C:\\" : module_.substr(0, cut);
    if (cwd_.current.size() == 2) cwd_.current += '\\';
}

SimPlatform::~SimPlatform() {
    for (auto& [handle, f] : files_) {
        if (f.stream != nullptr) std::fclose(f.stream);
    }
    std::vector<Hwnd> mine;
    for (Hwnd h : machine_.z_order) {
        if (SimWindow* w = machine_.window(h); w != nullptr && w->process == this) mine.push_back(h);
    }
    for (Hwnd h : mine) machine_.destroy(h);
    for (auto it = machine_.open_files.begin(); it != machine_.open_files.end();) {
        bool ours = false;
        for (auto& [handle, f] : files_) ours = ours || it->second == &f.record;
        it = ours ? machine_.open_files.erase(it) : std::next(it);
    }
}

bool SimPlatform::fail(const char* op, std::string_view arg) {
    std::uint32_t error = 0;
    if (!faults.hit(op, arg, error)) return false;
    last_error_ = error;
    return true;
}

bool SimPlatform::fail_with(std::uint32_t error) {
    last_error_ = error;
    return false;
}

std::size_t SimPlatform::atom_count() const {
    std::size_t n = 0;
    for (const AtomEntry& a : atoms_) n += a.references > 0 ? 1 : 0;
    return n;
}

// --- System ---

bool SimPlatform::get_version_ex(OsVersion& out) {
    if (fail("get_version_ex")) return false;
    out = machine_.version;
    return true;
}

std::uint32_t SimPlatform::get_windows_directory(char* buf, std::uint32_t size) {
    if (fail("get_windows_directory")) return 0;
    return CopyOut(machine_.windows_dir, buf, size);
}

std::uint32_t SimPlatform::get_system_directory(char* buf, std::uint32_t size) {
    if (fail("get_system_directory")) return 0;
    return CopyOut(machine_.system_dir, buf, size);
}

std::uint32_t SimPlatform::get_module_file_name(char* buf, std::uint32_t size) {
    if (fail("get_module_file_name") || size == 0) return 0;
    std::size_t n = module_.size() < size ? module_.size() : size - 1;
    std::memcpy(buf, module_.data(), n);
    buf[n] = '\0';
    if (n < module_.size()) last_error_ = ERROR_INSUFFICIENT_BUFFER;
    return n < module_.size() ? size : static_cast<std::uint32_t>(n);
}

std::uint32_t SimPlatform::set_error_mode(std::uint32_t mode) {
    std::uint32_t previous = error_mode_;
    error_mode_ = mode;
    return previous;
}

std::uint32_t SimPlatform::get_last_error() {
    return last_error_;
}

void SimPlatform::set_last_error(std::uint32_t code) {
    last_error_ = code;
}

std::uint32_t SimPlatform::format_message_from_system(std::uint32_t code, std::uint32_t,
                                                      char* buf, std::uint32_t size) {
    if (fail("format_message_from_system")) return 0;
    const char* text = SystemMessage(code);
    if (text == nullptr) return fail_with(317), 0;  // ERROR_MR_MID_NOT_FOUND
    std::uint32_t n = CopyOut(text, buf, size);
    if (n > size || n == size) return fail_with(ERROR_INSUFFICIENT_BUFFER), 0;
    return n;
}

Atom SimPlatform::add_atom(const char* text) {
    if (fail("add_atom", text)) return 0;
    std::string name = text;
    if (name.size() > 1 && name[0] == '#' &&
        name.find_first_not_of("0123456789", 1) == std::string::npos) {
        unsigned long value = name.size() > 6 ? 0x10000 : std::stoul(name.substr(1));
        if (value == 0 || value >= kFirstStringAtom) return fail_with(ERROR_INVALID_PARAMETER), 0;
        return static_cast<Atom>(value);
    }
    if (name.empty() || name.size() > 255) return fail_with(ERROR_INVALID_PARAMETER), 0;
    const std::string key = AnsiUpper(name);  // atom names are identical without regard to case
    if (auto it = atom_index_.find(key); it != atom_index_.end()) {
        ++atoms_[it->second].references;
        return static_cast<Atom>(kFirstStringAtom + it->second);
    }
    std::size_t free_slot = 0;
    while (free_slot < atoms_.size() && atoms_[free_slot].references > 0) ++free_slot;
    if (free_slot == atoms_.size()) {
        if (atoms_.size() >= kMaxAtoms) return fail_with(ERROR_NOT_ENOUGH_MEMORY), 0;
        atoms_.emplace_back();
    }
    atom_index_[key] = free_slot;
    atoms_[free_slot] = {name, 1};
    return static_cast<Atom>(kFirstStringAtom + free_slot);
}

std::uint32_t SimPlatform::get_atom_name(Atom atom, char* buf, int size) {
    if (fail("get_atom_name") || size <= 0) return 0;
    std::string name;
    if (atom != 0 && atom < kFirstStringAtom) {
        name = "#" + std::to_string(atom);
    } else if (std::size_t i = atom - kFirstStringAtom;
               atom >= kFirstStringAtom && i < atoms_.size() && atoms_[i].references > 0) {
        name = atoms_[i].name;
    } else {
        buf[0] = '\0';
        return fail_with(ERROR_INVALID_HANDLE), 0;
    }
    std::size_t n = name.size() < static_cast<std::size_t>(size) ? name.size() : size - 1;
    std::memcpy(buf, name.data(), n);
    buf[n] = '\0';
    return static_cast<std::uint32_t>(n);
}

Atom SimPlatform::delete_atom(Atom atom) {
    if (fail("delete_atom")) return atom;
    if (atom != 0 && atom < kFirstStringAtom) return 0;
    std::size_t i = atom - kFirstStringAtom;
    if (atom < kFirstStringAtom || i >= atoms_.size() || atoms_[i].references == 0) {
        return fail_with(ERROR_INVALID_HANDLE), atom;
    }
    if (--atoms_[i].references == 0) {
        atom_index_.erase(AnsiUpper(atoms_[i].name));
        atoms_[i].name.clear();
    }
    return 0;
}

Hglobal SimPlatform::global_alloc(std::uint32_t flags, std::uint32_t bytes) {
    if (fail("global_alloc")) return 0;
    Hglobal h = next_block_;
    next_block_ += 8;
    Block& b = blocks_[h];
    b.bytes.assign(bytes, 0);
    b.moveable = (flags & GMEM_MOVEABLE) != 0;
    return h;
}

void* SimPlatform::global_lock(Hglobal mem) {
    if (fail("global_lock")) return nullptr;
    auto it = blocks_.find(mem);
    if (it == blocks_.end()) return fail_with(ERROR_INVALID_HANDLE), nullptr;
    // A movable block of size 0 is born discarded: there is nothing to lock.
    if (it->second.bytes.empty()) return fail_with(ERROR_DISCARDED), nullptr;
    ++it->second.locks;
    return it->second.bytes.data();
}

bool SimPlatform::global_unlock(Hglobal mem) {
    if (fail("global_unlock")) return false;
    auto it = blocks_.find(mem);
    if (it == blocks_.end() || it->second.locks == 0) return fail_with(158), false;  // ERROR_NOT_LOCKED
    return --it->second.locks > 0;
}

Hglobal SimPlatform::global_free(Hglobal mem) {
    if (fail("global_free")) return mem;
    if (blocks_.erase(mem) == 0) return fail_with(ERROR_INVALID_HANDLE), mem;
    return 0;
}

int SimPlatform::lstrcmp_a(const char* a, const char* b) {
    return CompareAnsi(a, b, false);
}

int SimPlatform::lstrcmpi_a(const char* a, const char* b) {
    return CompareAnsi(a, b, true);
}

std::uint32_t SimPlatform::char_upper_buff(char* text, std::uint32_t length) {
    UpperAnsi(text, length);
    return length;
}

std::uint32_t SimPlatform::char_lower_buff(char* text, std::uint32_t length) {
    LowerAnsi(text, length);
    return length;
}

bool SimPlatform::oem_to_char(const char* from, char* to) {
    if (fail("oem_to_char")) return false;
    OemToAnsi(from, to);
    return true;
}

// --- Resources ---

Hrsrc SimPlatform::find_resource(std::uint16_t id, std::uint16_t type) {
    if (fail("find_resource")) return 0;
    for (std::size_t i = 0; i < resources.size(); ++i) {
        if (resources.at(i).type == type && resources.at(i).id == id) return i + 1;
    }
    return fail_with(ERROR_RESOURCE_NAME_NOT_FOUND), 0;
}

Hglobal SimPlatform::load_resource(Hrsrc res) {
    if (fail("load_resource")) return 0;
    if (res == 0 || res > resources.size()) return fail_with(ERROR_INVALID_HANDLE), 0;
    return kResourceHandles + res - 1;
}

const void* SimPlatform::lock_resource(Hglobal data) {
    if (fail("lock_resource")) return nullptr;
    if (data < kResourceHandles || data - kResourceHandles >= resources.size()) return nullptr;
    return resources.at(data - kResourceHandles).data.data();
}

std::uint32_t SimPlatform::sizeof_resource(Hrsrc res) {
    if (fail("sizeof_resource")) return 0;
    if (res == 0 || res > resources.size()) return fail_with(ERROR_INVALID_HANDLE), 0;
    return static_cast<std::uint32_t>(resources.at(res - 1).data.size());
}

bool SimPlatform::free_resource(Hglobal) {
    fail("free_resource");
    return false;  // a no-op that reports FALSE, as in Win32
}

int SimPlatform::load_string(std::uint32_t id, char* buf, int size) {
    if (fail("load_string") || buf == nullptr || size <= 0) return 0;
    std::optional<std::string> text = id <= 0xFFFF ? resources.string(static_cast<std::uint16_t>(id))
                                                   : std::nullopt;
    if (!text) {
        buf[0] = '\0';
        return fail_with(ERROR_RESOURCE_NAME_NOT_FOUND), 0;
    }
    std::size_t n = text->size() < static_cast<std::size_t>(size) ? text->size() : size - 1;
    std::memcpy(buf, text->data(), n);
    buf[n] = '\0';
    return static_cast<int>(n);
}

Hgdiobj SimPlatform::load_bitmap(std::uint16_t id) {
    if (fail("load_bitmap")) return 0;
    if (resources.find(RT_BITMAP, id) == nullptr) return fail_with(ERROR_RESOURCE_NAME_NOT_FOUND), 0;
    Hgdiobj h = next_gdi_++;
    bitmaps_[h] = id;
    return h;
}

bool SimPlatform::get_bitmap_size(Hgdiobj bitmap, std::int32_t& width, std::int32_t& height) {
    if (fail("get_bitmap_size")) return false;
    auto it = bitmaps_.find(bitmap);
    if (it == bitmaps_.end()) return false;
    const auto& d = resources.find(RT_BITMAP, it->second)->data;
    if (d.size() < 12) return false;
    auto i32 = [&](std::size_t at) {
        return static_cast<std::int32_t>(d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) |
                                         (static_cast<std::uint32_t>(d[at + 3]) << 24));
    };
    width = i32(4);
    height = i32(8) < 0 ? -i32(8) : i32(8);
    return true;
}

bool SimPlatform::delete_object(Hgdiobj object) {
    if (fail("delete_object")) return false;
    return bitmaps_.erase(object) > 0 || object == kStockBitmap;
}

}  // namespace zep::sim
