// Placeholder: filled in by the personal-tools work.
namespace tools {}
