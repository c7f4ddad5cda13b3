/* Highlights the words of a search in the page after a search. */
"use strict";
const SphinxHighlight = { highlightSearchWords: () => { const p = new URLSearchParams(window.location.search).get("highlight"); if (!p) return; } };
document.addEventListener("DOMContentLoaded", SphinxHighlight.highlightSearchWords);
