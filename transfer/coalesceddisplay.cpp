#include "coalesceddisplay.h"

namespace transfer {

void CoalescedDisplay::setSourceLine(const std::string& path, const std::string& name,
                                     char separator) {
    std::lock_guard lock(mutex_);
    source_ = {path, name, separator};
    changed_ |= Source;
}

void CoalescedDisplay::setTargetLine(const std::string& path, const std::string& name,
                                     char separator) {
    std::lock_guard lock(mutex_);
    target_ = {path, name, separator};
    changed_ |= Target;
}

void CoalescedDisplay::setModeLine(bool binary) {
    std::lock_guard lock(mutex_);
    binary_ = binary;
    changed_ |= Mode;
}

void CoalescedDisplay::setFileCounter(std::int64_t total, std::int64_t done) {
    std::lock_guard lock(mutex_);
    total_ = total;
    done_ = done;
    changed_ |= Files;
}

void CoalescedDisplay::setDirectionIcon(int direction) {
    std::lock_guard lock(mutex_);
    direction_ = direction;
    changed_ |= Direction;
}

void CoalescedDisplay::setServerName(const std::string& name) {
    std::lock_guard lock(mutex_);
    server_ = name;
    changed_ |= Server;
}

void CoalescedDisplay::applyTo(TransferDisplay& target) {
    unsigned changed;
    Line source, targetLine;
    bool binary;
    std::int64_t total, done;
    int direction;
    std::string server;
    {
        std::lock_guard lock(mutex_);
        changed = changed_;
        changed_ = 0;
        source = source_;
        targetLine = target_;
        binary = binary_;
        total = total_;
        done = done_;
        direction = direction_;
        server = server_;
    }
    if (changed & Direction) target.setDirectionIcon(direction);
    if (changed & Server) target.setServerName(server);
    if (changed & Source) target.setSourceLine(source.path, source.name, source.separator);
    if (changed & Target)
        target.setTargetLine(targetLine.path, targetLine.name, targetLine.separator);
    if (changed & Mode) target.setModeLine(binary);
    if (changed & Files) target.setFileCounter(total, done);
}

void CoalescedDisplay::reset() {
    std::lock_guard lock(mutex_);
    changed_ = 0;
}

}  // namespace transfer
