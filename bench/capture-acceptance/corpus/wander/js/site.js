// Marks external links and counts reading time.
document.querySelectorAll('.prose a[href^="http"]').forEach((a) => a.setAttribute('rel', 'noopener'));
