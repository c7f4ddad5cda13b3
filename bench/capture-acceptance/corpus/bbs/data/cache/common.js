/* common.js (subset): menus, windows and lazy pictures */
var BROWSER = {};
function $(id) { return !id ? null : document.getElementById(id); }
function showMenu(v) {}
function showWindow(k, url) { return false; }
function delayShow(ctrl, fn) {}
function setHomepage(u) {}
function addFavorite(u, t) {}
function showauthor(ctrl, id) {}
function zoom(obj, zimg) {}
function _attachEvent(obj, evt, func) { obj.addEventListener(evt, func, false); }
